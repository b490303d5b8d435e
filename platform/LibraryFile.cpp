#include "LibraryFile.h"

#include "RegularFile.h"

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>
#include <vector>

namespace ostan {

namespace {

using Header = ElfW(Ehdr);
using Segment = ElfW(Phdr);

// The header this very module was loaded from: the class, byte order and
// machine a library must share with the process.
const Header* OwnHeader()
{
    Dl_info Info{};
    if (!dladdr(reinterpret_cast<const void*>(&LibraryFileFault), &Info) || !Info.dli_fbase)
        return nullptr;
    const auto* H = static_cast<const Header*>(Info.dli_fbase);
    return std::memcmp(H->e_ident, ELFMAG, SELFMAG) == 0 ? H : nullptr;
}

// An end past the file, or one that overflows on the way.
bool Beyond(uint64_t Offset, uint64_t Length, uint64_t FileSize)
{
    return Offset > FileSize || Length > FileSize - Offset;
}

bool ReadAt(int Fd, void* Buffer, size_t Length, uint64_t Offset)
{
    auto* P = static_cast<char*>(Buffer);
    while (Length > 0) {
        const ssize_t N = ::pread(Fd, P, Length, static_cast<off_t>(Offset));
        if (N < 0 && errno == EINTR)
            continue;
        if (N <= 0)
            return false;
        P += N;
        Length -= size_t(N);
        Offset += uint64_t(N);
    }
    return true;
}

QString Fault(int Fd, uint64_t Size)
{
    const QString Cut = QStringLiteral("файл обрезан: %1 выходит за его конец (%2 байт)");

    Header H{};
    if (Size < sizeof H || !ReadAt(Fd, &H, sizeof H, 0) || std::memcmp(H.e_ident, ELFMAG, SELFMAG) != 0)
        return QStringLiteral("это не библиотека (нет заголовка ELF)");
    const Header* Own = OwnHeader();
    if (Own
        && (H.e_ident[EI_CLASS] != Own->e_ident[EI_CLASS] || H.e_ident[EI_DATA] != Own->e_ident[EI_DATA]
            || H.e_machine != Own->e_machine))
        return QStringLiteral("библиотека собрана для другой машины");
    if (H.e_type != ET_DYN)
        return QStringLiteral("это не разделяемая библиотека");
    if (H.e_phnum == 0 || H.e_phentsize != sizeof(Segment))
        return QStringLiteral("в заголовке ELF нет таблицы сегментов");
    const uint64_t TableSize = uint64_t(H.e_phnum) * sizeof(Segment);
    std::vector<Segment> Segments(H.e_phnum);
    if (Beyond(H.e_phoff, TableSize, Size) || !ReadAt(Fd, Segments.data(), TableSize, H.e_phoff))
        return Cut.arg(QStringLiteral("таблица сегментов")).arg(Size);
    for (size_t I = 0; I < Segments.size(); ++I) {
        const Segment& S = Segments[I];
        // The loader maps what the file holds and zero-fills the rest of memory.
        if (S.p_type == PT_NULL)
            continue;
        if (Beyond(S.p_offset, S.p_filesz, Size))
            return Cut.arg(QStringLiteral("сегмент %1").arg(I + 1)).arg(Size);
        if (S.p_type == PT_LOAD && S.p_filesz > S.p_memsz)
            return QStringLiteral("сегмент %1 повреждён").arg(I + 1);
    }
    return QString();
}

} // namespace

QString LibraryFileFault(const QString& Path)
{
    TRegularFile File;
    if (!File.Open(Path))
        return File.Reason();
    return Fault(File.Fd(), uint64_t(File.Status().st_size));
}

} // namespace ostan
