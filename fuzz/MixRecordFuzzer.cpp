#include "settings/MixRecord.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

}

// Any bytes: the parser must not crash, must agree with itself when reading a device, and
// every record it accepts must hold only values in range and survive being written and
// read back unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    MixRecord::Problem problem;
    const std::optional<MixRecord> record = MixRecord::parse(bytes, &problem);

    QBuffer device;
    device.setData(bytes);
    device.open(QIODevice::ReadOnly);
    MixRecord::Problem deviceProblem;
    const std::optional<MixRecord> fromDevice = MixRecord::read(device, &deviceProblem);
    check(record == fromDevice);

    if (!record) {
        check(problem.field >= 1 && problem.field <= MixRecord::fieldCount);
        check(problem.kind == deviceProblem.kind && problem.field == deviceProblem.field);
        check(problem.text == deviceProblem.text);
        return 0;
    }
    for (int number = 1; number <= MixRecord::fieldCount; ++number) {
        const MixRecord::Control control = MixRecord::field(number).control;
        check(record->value(number) >= MixRecord::minimum(control));
        check(record->value(number) <= MixRecord::maximum(control));
    }
    const QByteArray line = record->toLine();
    check(MixRecord::parse(line) == record);
    check(line.endsWith("\r\n") && line.count(',') == MixRecord::fieldCount - 1);
    return 0;
}
