#include "settings/MixRecord.h"

#include "engine/ChannelTable.h"

#include <QIODevice>

#include <algorithm>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

// Takes one field's characters and tells whether they form a decimal number, rounded
// half to even. Works digit by digit, so a field of any length costs no memory and
// "0.50000000000000000001" still rounds up.
class NumberReader
{
public:
    void add(char c)
    {
        if (m_excerpt.size() < MixRecord::Problem::textLimit)
            m_excerpt.append(c);
        if (m_bad)
            return;
        if (m_trailing || isBlank(c)) {
            m_trailing = true;
            m_bad = !isBlank(c) || !m_anyDigit;
        } else if ((c == '+' || c == '-') && !m_signed && !m_anyDigit && !m_inFraction) {
            m_signed = true;
            m_negative = c == '-';
        } else if (c == '.' && !m_inFraction) {
            m_inFraction = true;
        } else if (c >= '0' && c <= '9') {
            addDigit(c - '0');
        } else {
            m_bad = true;
        }
    }

    std::optional<int> value() const
    {
        if (m_bad || !m_anyDigit)
            return std::nullopt;
        long long magnitude = m_magnitude;
        if (roundsUp())
            ++magnitude;
        return static_cast<int>(m_negative ? -magnitude : magnitude);
    }

    const QByteArray &excerpt() const { return m_excerpt; }

private:
    // Far outside every control's range, so a longer number is as wrong as this one.
    static constexpr long long saturation = 1000000;

    void addDigit(int digit)
    {
        m_anyDigit = true;
        if (!m_inFraction) {
            m_magnitude = std::min(saturation, m_magnitude * 10 + digit);
            return;
        }
        if (++m_fractionDigits == 1)
            m_firstFractionDigit = digit;
        else if (digit != 0)
            m_restNonZero = true;
    }

    bool roundsUp() const
    {
        if (m_fractionDigits == 0 || m_firstFractionDigit < 5)
            return false;
        if (m_firstFractionDigit > 5 || m_restNonZero)
            return true;
        return m_magnitude % 2 == 1;
    }

    QByteArray m_excerpt;
    bool m_bad = false;
    bool m_trailing = false;
    bool m_signed = false;
    bool m_negative = false;
    bool m_anyDigit = false;
    bool m_inFraction = false;
    long long m_magnitude = 0;
    int m_fractionDigits = 0;
    int m_firstFractionDigit = 0;
    bool m_restNonZero = false;
};

std::optional<MixRecord> fail(MixRecord::Problem *problem, MixRecord::Problem::Kind kind, int field,
                              const QByteArray &text = {})
{
    if (problem)
        *problem = {kind, field, text};
    return std::nullopt;
}

// `next(c)` yields the input one character at a time and answers false at its end. No
// character after the 61st field is asked for.
template<typename NextChar>
std::optional<MixRecord> parseFields(NextChar next, MixRecord::Problem *problem)
{
    using Kind = MixRecord::Problem::Kind;
    MixRecord record;
    char c = 0;
    bool have = next(c);
    for (int number = 1; number <= MixRecord::fieldCount; ++number) {
        while (have && (isBlank(c) || isLineEnd(c)))
            have = next(c);
        if (!have)
            return fail(problem, Kind::TooFewValues, number);
        NumberReader reader;
        while (have && c != ',' && !isLineEnd(c)) {
            reader.add(c);
            have = next(c);
        }
        const std::optional<int> value = reader.value();
        if (!value)
            return fail(problem, Kind::NotANumber, number, reader.excerpt());
        if (!record.setValue(number, *value))
            return fail(problem, Kind::OutOfRange, number, reader.excerpt());
        if (number < MixRecord::fieldCount && have && c == ',')
            have = next(c);
    }
    return record;
}

}

MixRecord::MixRecord()
{
    for (int number = 1; number <= fieldCount; ++number)
        m_values[static_cast<std::size_t>(number - 1)] = startValue(field(number).control);
}

std::vector<int> MixRecord::switchedOn() const
{
    std::vector<int> channels;
    for (int number = 1; number <= fieldCount; ++number) {
        const Field at = field(number);
        if (at.control == Control::Switch && value(number) == 1)
            channels.push_back(at.channel);
    }
    return channels;
}

MixRecord::Field MixRecord::field(int number)
{
    Q_ASSERT(number >= 1 && number <= fieldCount);
    if (number <= 5)
        return {Control::Switch, number};
    if (number <= 10)
        return {Control::Volume, number - 5};
    if (number <= 15)
        return {Control::Frequency, number - 10};
    if (number <= 24)
        return {Control::Switch, number - 10};
    if (number <= 33)
        return {Control::Volume, number - 19};
    if (number <= 47)
        return {Control::Pan, number - 33};
    return {Control::Frequency, number - 47};
}

int MixRecord::minimum(Control control)
{
    switch (control) {
    case Control::Switch: return 0;
    case Control::Volume: return ChannelTable::volumeMinimum;
    case Control::Pan: return ChannelTable::panMinimum;
    case Control::Frequency: break;
    }
    return ChannelTable::frequencyMinimum;
}

int MixRecord::maximum(Control control)
{
    switch (control) {
    case Control::Switch: return 1;
    case Control::Volume: return ChannelTable::volumeMaximum;
    case Control::Pan: return ChannelTable::panMaximum;
    case Control::Frequency: break;
    }
    return ChannelTable::frequencyMaximum;
}

int MixRecord::startValue(Control control)
{
    switch (control) {
    case Control::Switch: return 0;
    case Control::Volume: return ChannelTable::volumeStart;
    case Control::Pan: return ChannelTable::panStart;
    case Control::Frequency: break;
    }
    return ChannelTable::frequencyStart;
}

bool MixRecord::setValue(int number, int value)
{
    const Control control = field(number).control;
    if (value < minimum(control) || value > maximum(control))
        return false;
    m_values[static_cast<std::size_t>(number - 1)] = value;
    return true;
}

QByteArray MixRecord::toLine() const
{
    QByteArray line;
    for (int number = 1; number <= fieldCount; ++number) {
        if (number > 1)
            line.append(',');
        line.append(QByteArray::number(value(number)));
    }
    line.append("\r\n");
    return line;
}

std::optional<MixRecord> MixRecord::parse(QByteArrayView bytes, Problem *problem)
{
    qsizetype position = bytes.startsWith(byteOrderMark) ? byteOrderMark.size() : 0;
    return parseFields(
        [&](char &c) {
            if (position >= bytes.size())
                return false;
            c = bytes[position++];
            return true;
        },
        problem);
}

std::optional<MixRecord> MixRecord::read(QIODevice &device, Problem *problem)
{
    if (QByteArrayView(device.peek(byteOrderMark.size())) == byteOrderMark)
        device.skip(byteOrderMark.size());
    return parseFields([&](char &c) { return device.getChar(&c); }, problem);
}
