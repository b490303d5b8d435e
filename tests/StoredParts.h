#pragma once
// The stored parts of a zip package, for tests that compare packages byte
// for byte.
#include <QByteArray>
#include <string>
#include <utility>
#include <vector>
#include <zip.h>

namespace ostan::test {

// The parts of a package: name -> stored (compressed) bytes, in stored order.
inline std::vector<std::pair<std::string, QByteArray>> StoredParts(const QByteArray& Package)
{
    std::vector<std::pair<std::string, QByteArray>> out;
    zip_error_t e;
    zip_error_init(&e);
    zip_source_t* s = zip_source_buffer_create(Package.constData(), zip_uint64_t(Package.size()), 0, &e);
    zip_t* z = zip_open_from_source(s, ZIP_RDONLY, &e);
    if (!z) {
        zip_source_free(s);
        return out;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_file_t* f = zip_fopen_index(z, zip_uint64_t(i), ZIP_FL_COMPRESSED);
        QByteArray bytes;
        char buffer[4096];
        for (zip_int64_t n; f && (n = zip_fread(f, buffer, sizeof buffer)) > 0;)
            bytes.append(buffer, qsizetype(n));
        if (f)
            zip_fclose(f);
        out.emplace_back(zip_get_name(z, zip_uint64_t(i), 0), bytes);
    }
    zip_discard(z);
    return out;
}

} // namespace ostan::test
