// The custom-template document: any bytes either decode or fail with a message, and what
// decodes survives encode() and decode() again unchanged. Read template by template, a
// document yields what decode() yields when that succeeds, and otherwise names a problem.
// A project's record, the other JSON we read back, round-trips the same way.
#include "model/ProjectRecord.h"
#include "stores/CustomTemplateStore.h"

#include <cstdint>
#include <cstdlib>

using namespace bp;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    if (const Result<ProjectRecord> record = ProjectRecord::decode(input)) {
        const Result<ProjectRecord> again = ProjectRecord::decode(record.value().encode());
        if (!again || again.value() != record.value())
            std::abort();
    }
    const Result<QList<CustomTemplate>> decoded = CustomTemplateJson::decode(input);
    const CustomTemplateJson::Salvaged salvaged = CustomTemplateJson::decodeEach(input);
    if (!decoded) {
        if (decoded.error().message.isEmpty() || salvaged.problems.isEmpty() ||
            !CustomTemplateJson::decode(CustomTemplateJson::encode(salvaged.templates)))
            std::abort();
        return 0;
    }
    if (!salvaged.problems.isEmpty() || salvaged.templates != decoded.value())
        std::abort();
    const QByteArray encoded = CustomTemplateJson::encode(decoded.value());
    const Result<QList<CustomTemplate>> again = CustomTemplateJson::decode(encoded);
    if (!again || again.value() != decoded.value() ||
        CustomTemplateJson::encode(again.value()) != encoded)
        std::abort();
    return 0;
}
