// The header reader behind `corvan-cli inspect` on any bytes: it must never read outside
// its input, and whatever it accepts must be a whole header over the data it declares.

#include "engine/ImcInspector.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The first 4 bytes say how much longer than the input the whole file is, so that
    // accepted headers over large data can be reached without large inputs.
    std::uint32_t beyond = 0;
    if (size >= 4) {
        std::memcpy(&beyond, data, 4);
        data += 4;
        size -= 4;
    }
    const std::uint64_t fileSize = size + beyond;
    const corvan::ImcInspection inspection = corvan::inspectImcHeader(data, size, fileSize);
    corvan::formatInspection(inspection);
    corvan::jsonText(corvan::inspectionJson(inspection));
    if (inspection.wellFormed) {
        const bool known = inspection.headerLength == 190 || inspection.headerLength == 228;
        if (!known || !inspection.variant || inspection.headerLength > size ||
            static_cast<std::uint64_t>(inspection.wavBytes) + inspection.headerLength != fileSize) {
            std::abort();
        }
    }
    return 0;
}
