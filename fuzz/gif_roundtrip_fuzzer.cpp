// libFuzzer harness: the round-trip checks of gif_roundtrip_check.h on
// untrusted bytes; a failed check aborts with its description.
#include "../tests/gif/gif_roundtrip_check.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString fault = gifroundtrip::RoundTripFault(bytes);
    if (!fault.isEmpty()) {
        std::fprintf(stderr, "gif round trip: %s\n", qPrintable(fault));
        std::abort();
    }
    return 0;
}
