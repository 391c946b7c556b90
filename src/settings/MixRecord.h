#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <optional>
#include <vector>

class QIODevice;

// One mix: the switch and slider values of the fourteen channels as 61 numbered fields,
// in the order of the mix file line "1,0,...,32000\r\n".
//
// Depends on Qt Core alone, so that the parser can be fuzzed on its own. Every record
// holds only values its controls accept: the parser refuses anything else.
class MixRecord
{
public:
    static constexpr int fieldCount = 61;
    // Editors may put UTF-8's byte-order mark before the first field; it is skipped.
    static constexpr QByteArrayView byteOrderMark{"\xEF\xBB\xBF"};

    enum class Control { Switch, Volume, Pan, Frequency };

    // What field `number` holds: a control of a channel (1 to 14).
    struct Field
    {
        Control control;
        int channel;
    };

    // Why a text is not a mix record. `field` is the first bad field (1 to 61); for
    // TooFewValues it is the first missing one. `text` is the start of the bad field.
    struct Problem
    {
        enum class Kind { TooFewValues, NotANumber, OutOfRange };
        // `text` keeps at most this many bytes of a long field.
        static constexpr qsizetype textLimit = 24;
        Kind kind = Kind::TooFewValues;
        int field = 1;
        QByteArray text;
    };

    // The controls' start values: every switch off, volume -2000, pan 0, frequency 32000.
    MixRecord();

    static Field field(int number);
    static int minimum(Control control);
    static int maximum(Control control);
    static int startValue(Control control);

    int value(int field) const { return m_values[static_cast<std::size_t>(field - 1)]; }
    // The channels that this record switches on, in field order.
    std::vector<int> switchedOn() const;
    // False and no change for a value outside the field's range.
    bool setValue(int field, int value);

    // The file line: the 61 values in decimal, separated by commas, ending in CR LF.
    QByteArray toLine() const;

    // Reads the first 61 fields and ignores the rest. Fields are separated by commas or
    // line ends; blanks and line ends before a field are skipped, blanks after it too.
    // A number with a fraction is rounded half to even. Returns nothing and fills
    // `problem` (when given) for the first field that is missing, not a number or
    // outside its control's range.
    static std::optional<MixRecord> parse(QByteArrayView bytes, Problem *problem = nullptr);
    // The same, reading `device` only as far as the 61st field.
    static std::optional<MixRecord> read(QIODevice &device, Problem *problem = nullptr);

    friend bool operator==(const MixRecord &, const MixRecord &) = default;

private:
    std::array<int, fieldCount> m_values;
};
