#include "QtWorkers.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>

namespace ostan {

namespace {

// As the system keeps them: 15 characters at most.
constexpr const char* WorkerNames[] = {"Thread (pooled)", "QFileInfoGather"};

bool IsWorkerName(const std::string& Name)
{
    for (const char* Worker : WorkerNames)
        if (Name == Worker)
            return true;
    return false;
}

} // namespace

int QtWorkerThreadCount()
{
    namespace fs = std::filesystem;
    std::error_code Ec;
    int Count = 0;
    for (fs::directory_iterator It("/proc/self/task", Ec), End; !Ec && It != End; It.increment(Ec)) {
        // A thread that has just left has no name to read any more.
        std::ifstream Comm(It->path() / "comm");
        std::string Name;
        if (std::getline(Comm, Name) && IsWorkerName(Name))
            ++Count;
    }
    return Count;
}

TQtWorkersEnd::~TQtWorkersEnd()
{
    using namespace std::chrono;
    const auto Deadline = steady_clock::now() + seconds(1);
    while (QtWorkerThreadCount() > 0 && steady_clock::now() < Deadline)
        std::this_thread::sleep_for(milliseconds(1));
}

} // namespace ostan
