#pragma once
// The reasons the system and the file libraries give, as a Russian sentence
// part ("на диске нет места") for the boxes that show them. The original
// text follows in parentheses only where a Russian word cannot say enough
// (an unknown error code).
#include "PlatformApi.h"

#include <QString>

struct zip_error;
namespace pugi {
struct xml_parse_result;
}

namespace ostan {

// errno
OSTAN_PLATFORM_API QString ErrnoReason(int Error);
// A libzip error (zip_error_t of an archive, a file in it or an open).
OSTAN_PLATFORM_API QString ZipReason(const zip_error* Error);
// A failed XML parse, with the byte offset where it stopped.
OSTAN_PLATFORM_API QString XmlReason(const pugi::xml_parse_result& Result);

} // namespace ostan
