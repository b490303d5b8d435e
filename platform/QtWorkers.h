#pragma once
// Qt's own worker threads at the end of the process.

namespace ostan {

// How many of the process's threads bear the name of one of Qt's workers:
// the painting pool's threads and the file dialogs' file-information
// gatherers.
int QtWorkerThreadCount();

// Qt joins its workers when the application object goes, but each of them
// frees its thread data only on its way out, after the join. Declared before
// the application object, this waits for them to be gone, a second at most,
// so that the process never ends with that memory half-freed.
class TQtWorkersEnd {
public:
    TQtWorkersEnd() = default;
    TQtWorkersEnd(const TQtWorkersEnd&) = delete;
    TQtWorkersEnd& operator=(const TQtWorkersEnd&) = delete;
    ~TQtWorkersEnd();
};

} // namespace ostan
