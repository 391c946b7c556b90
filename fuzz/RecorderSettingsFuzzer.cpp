#include "recorder/RecorderSettings.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

}

// Any bytes as settings9.txt: reading must not crash, and what it reads must be written as
// one line of eleven fields (twelve with a chosen source's name) that reads back to the
// same values.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const RecorderSettings settings = RecorderSettings::parse(bytes);
    const QByteArray line = settings.format();
    const bool named = !settings.sourceName.value_or(QString()).isEmpty();
    check(line.endsWith("\r\n") && line.count(',') == (named ? 11 : 10) && line.count('\n') == 1);

    const RecorderSettings again = RecorderSettings::parse(line);
    check(again.format() == line);
    check(again.stopAtSize.value_or(0) == settings.stopAtSize.value_or(0));
    check(again.targetSize.value_or(0) == settings.targetSize.value_or(0));
    check(again.qualityIndex.value_or(0) == settings.qualityIndex.value_or(0));
    check(again.height.value_or(0.0) == settings.height.value_or(0.0));
    check(again.left.value_or(0.0) == settings.left.value_or(0.0));
    check(again.wavChosen.value_or(false) == settings.wavChosen.value_or(false));
    check(again.sourceLine.value_or(0) == settings.sourceLine.value_or(0));
    check(again.sourceName.value_or(QString()) == settings.sourceName.value_or(QString()));
    return 0;
}
