#include "settings/MixRecord.h"

#include <QBuffer>
#include <QTest>

using Kind = MixRecord::Problem::Kind;

namespace {

const QByteArray exampleLine =
    "1,0,0,0,0,-2000,-2000,-2000,-2000,-2000,32000,32000,32000,32000,32000,0,0,0,0,0,0,0,0,0,"
    "-2000,-2000,-2000,-2000,-2000,-2000,-2000,-2000,-2000,0,0,0,0,0,0,0,0,0,0,0,0,0,0,"
    "32000,32000,32000,32000,32000,32000,32000,32000,32000,32000,32000,32000,32000,32000\r\n";

// The example line with field `number` (1 to 61) replaced by `text`.
QByteArray withField(int number, const QByteArray &text)
{
    QList<QByteArray> fields = exampleLine.chopped(2).split(',');
    fields[number - 1] = text;
    return fields.join(',') + "\r\n";
}

// A record whose every field differs from its start value where the range allows.
MixRecord unusualRecord()
{
    MixRecord record;
    for (int number = 1; number <= MixRecord::fieldCount; ++number) {
        const MixRecord::Control control = MixRecord::field(number).control;
        const int span = MixRecord::maximum(control) - MixRecord::minimum(control);
        record.setValue(number, MixRecord::minimum(control) + (number * 7919) % (span + 1));
    }
    return record;
}

}

Q_DECLARE_METATYPE(MixRecord::Problem::Kind)

class MixRecordTest : public QObject
{
    Q_OBJECT

private slots:
    void writesTheExampleLineByteForByte()
    {
        MixRecord record;
        QVERIFY(record.setValue(1, 1));
        QCOMPARE(record.toLine(), exampleLine);
    }

    void fieldLayoutCoversEveryControlOnceAndFrequenciesOneToFiveTwice()
    {
        QMap<QPair<int, int>, int> seen;
        for (int number = 1; number <= MixRecord::fieldCount; ++number) {
            const MixRecord::Field field = MixRecord::field(number);
            QVERIFY(field.channel >= 1 && field.channel <= 14);
            ++seen[{static_cast<int>(field.control), field.channel}];
        }
        QCOMPARE(seen.size(), 56);
        for (auto it = seen.cbegin(); it != seen.cend(); ++it) {
            const bool twice = it.key().first == static_cast<int>(MixRecord::Control::Frequency) && it.key().second <= 5;
            QCOMPARE(it.value(), twice ? 2 : 1);
        }
        QCOMPARE(MixRecord::field(16).channel, 6);
        QCOMPARE(MixRecord::field(24).channel, 14);
        QCOMPARE(MixRecord::field(34).channel, 1);
        QCOMPARE(MixRecord::field(43).channel, 10);
        QCOMPARE(MixRecord::field(30).channel, 11);
        QCOMPARE(MixRecord::field(58).channel, 11);
    }

    void roundTripsEveryValueThroughTextAndDevice()
    {
        const MixRecord record = unusualRecord();
        QCOMPARE(MixRecord::parse(record.toLine()), record);

        QByteArray bytes = record.toLine();
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QCOMPARE(MixRecord::read(buffer), record);
    }

    void writesNegativesWithTheSignAndZeroAsOneDigit()
    {
        MixRecord record;
        QVERIFY(record.setValue(34, -3000));
        QVERIFY(record.setValue(35, 3000));
        const QList<QByteArray> fields = record.toLine().chopped(2).split(',');
        QCOMPARE(fields.size(), 61);
        QCOMPARE(fields[33], QByteArray("-3000"));
        QCOMPARE(fields[34], QByteArray("3000"));
        QCOMPARE(fields[0], QByteArray("0"));
        QVERIFY(!record.toLine().chopped(2).contains('\r'));
        QVERIFY(!record.toLine().contains(' '));
    }

    void refusesValuesOutsideTheirControl()
    {
        MixRecord record;
        QVERIFY(!record.setValue(1, 2));
        QVERIFY(!record.setValue(6, 1));
        QVERIFY(!record.setValue(34, -3001));
        QVERIFY(!record.setValue(48, 99));
        QVERIFY(!record.setValue(61, 32768));
        QCOMPARE(record, MixRecord());
    }

    void readsLayoutVariantsAsTheSingleLine_data()
    {
        QTest::addColumn<QByteArray>("text");
        QByteArray fields = exampleLine.chopped(2);
        QTest::newRow("one line, no line end") << fields;
        QTest::newRow("LF only") << fields + "\n";
        QByteArray perLine = fields;
        perLine.replace(',', "\r\n");
        QTest::newRow("one value per line, CR LF") << perLine;
        QByteArray perLineLf = fields;
        perLineLf.replace(',', "\n");
        QTest::newRow("one value per line, LF") << perLineLf;
        QByteArray perLineCr = fields;
        perLineCr.replace(',', "\r");
        QTest::newRow("one value per line, CR") << perLineCr;
        QByteArray blanks = fields;
        blanks.replace(',', ",  \t");
        QTest::newRow("blanks before fields") << "   " + blanks;
        QByteArray trailing = fields;
        trailing.replace(',', " ,");
        QTest::newRow("blanks after fields") << trailing;
        QByteArray commaThenNewline = fields;
        commaThenNewline.replace(",32000,32000,", ",32000,\r\n\r\n32000,");
        QTest::newRow("comma then blank lines") << commaThenNewline;
        QTest::newRow("leading blank lines") << "\r\n\r\n" + exampleLine;
        QTest::newRow("more than 61 values") << fields + ",5,6,7\r\n8,9\r\n";
        QTest::newRow("garbage after the 61st value") << fields + ",abc,\x01\xff\r\nnot a mix";
        QTest::newRow("explicit plus sign") << "+1" + fields.mid(1);
        QTest::newRow("fraction rounding to the example") << "0.5000001" + fields.mid(1);
    }

    void readsLayoutVariantsAsTheSingleLine()
    {
        QFETCH(QByteArray, text);
        MixRecord::Problem problem;
        const std::optional<MixRecord> record = MixRecord::parse(text, &problem);
        QVERIFY2(record, qPrintable(QString::number(problem.field)));
        MixRecord expected;
        expected.setValue(1, 1);
        QCOMPARE(*record, expected);
    }

    void roundsFractionsHalfToEven_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("half down to even") << QByteArray("-2000.5") << -2000;
        QTest::newRow("half up to even") << QByteArray("-2001.5") << -2002;
        QTest::newRow("positive half to even") << QByteArray("2.5") << 2;
        QTest::newRow("positive half up") << QByteArray("3.5") << 4;
        QTest::newRow("above half") << QByteArray("2.51") << 3;
        QTest::newRow("just above half, long") << QByteArray("2.50000000000000000000001") << 3;
        QTest::newRow("below half") << QByteArray("2.4999999999999999999") << 2;
        QTest::newRow("negative zero half") << QByteArray("-0.5") << 0;
        QTest::newRow("leading point") << QByteArray(".7") << 1;
        QTest::newRow("trailing point") << QByteArray("7.") << 7;
        QTest::newRow("leading zeros") << QByteArray("-0000000000000000000000012") << -12;
    }

    void roundsFractionsHalfToEven()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, value);
        const std::optional<MixRecord> record = MixRecord::parse(withField(34, text));
        QVERIFY(record);
        QCOMPARE(record->value(34), value);
    }

    void namesTheFirstBadField_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<MixRecord::Problem::Kind>("kind");
        QTest::addColumn<int>("field");
        QTest::addColumn<QByteArray>("fieldText");

        QTest::newRow("empty file") << QByteArray() << Kind::TooFewValues << 1 << QByteArray();
        QTest::newRow("blanks only") << QByteArray(" \r\n\t\r\n") << Kind::TooFewValues << 1 << QByteArray();
        const QList<QByteArray> fields = exampleLine.chopped(2).split(',');
        QTest::newRow("30 values") << fields.mid(0, 30).join(',') + "\r\n" << Kind::TooFewValues << 31 << QByteArray();
        QTest::newRow("60 values and a comma") << fields.mid(0, 60).join(',') + ",\r\n" << Kind::TooFewValues << 61
                                               << QByteArray();
        QTest::newRow("switch of 2") << withField(17, "2") << Kind::OutOfRange << 17 << QByteArray("2");
        QTest::newRow("switch of -1") << withField(1, "-1") << Kind::OutOfRange << 1 << QByteArray("-1");
        QTest::newRow("switch rounding to 2") << withField(5, "1.5") << Kind::OutOfRange << 5 << QByteArray("1.5");
        QTest::newRow("volume above 0") << withField(6, "1") << Kind::OutOfRange << 6 << QByteArray("1");
        QTest::newRow("volume rounding below floor") << withField(33, "-3000.51") << Kind::OutOfRange << 33
                                                     << QByteArray("-3000.51");
        QTest::newRow("pan too far") << withField(47, "3001") << Kind::OutOfRange << 47 << QByteArray("3001");
        QTest::newRow("frequency zero") << withField(48, "0") << Kind::OutOfRange << 48 << QByteArray("0");
        QTest::newRow("frequency above 16 bits") << withField(61, "32768") << Kind::OutOfRange << 61
                                                 << QByteArray("32768");
        QTest::newRow("huge number") << withField(11, "99999999999999999999999999") << Kind::OutOfRange << 11
                                     << QByteArray("999999999999999999999999");
        QTest::newRow("word") << withField(20, "loud") << Kind::NotANumber << 20 << QByteArray("loud");
        QTest::newRow("empty field") << withField(9, "") << Kind::NotANumber << 9 << QByteArray();
        QTest::newRow("sign alone") << withField(9, "-") << Kind::NotANumber << 9 << QByteArray("-");
        QTest::newRow("point alone") << withField(9, ".") << Kind::NotANumber << 9 << QByteArray(".");
        QTest::newRow("two signs") << withField(9, "--5") << Kind::NotANumber << 9 << QByteArray("--5");
        QTest::newRow("two points") << withField(9, "-5.0.0") << Kind::NotANumber << 9 << QByteArray("-5.0.0");
        QTest::newRow("exponent") << withField(40, "1e3") << Kind::NotANumber << 40 << QByteArray("1e3");
        QTest::newRow("blank inside") << withField(40, "1 2") << Kind::NotANumber << 40 << QByteArray("1 2");
        QTest::newRow("sign then blank") << withField(40, "- 2") << Kind::NotANumber << 40 << QByteArray("- 2");
        QTest::newRow("NUL byte") << withField(3, QByteArray("0\0", 2)) << Kind::NotANumber << 3
                                  << QByteArray("0\0", 2);
        // Only a mark before the first field is skipped.
        QTest::newRow("byte order mark inside") << withField(2, "\xEF\xBB\xBF" "0") << Kind::NotANumber << 2
                                                << QByteArray("\xEF\xBB\xBF" "0");
        QTest::newRow("semicolons") << QByteArray(exampleLine).replace(',', ';') << Kind::NotANumber << 1
                                    << QByteArray("1;0;0;0;0;-2000;-2000;-2");
        QTest::newRow("bad field before a short end") << withField(2, "x").left(20) << Kind::NotANumber << 2
                                                      << QByteArray("x");
        QTest::newRow("range error before a later word")
            << withField(4, "7").replace(",-2000,-2000,-2000,-2000,-2000,", ",-2000,nope,")
            << Kind::OutOfRange << 4 << QByteArray("7");
    }

    void namesTheFirstBadField()
    {
        QFETCH(QByteArray, text);
        QFETCH(MixRecord::Problem::Kind, kind);
        QFETCH(int, field);
        QFETCH(QByteArray, fieldText);
        MixRecord::Problem problem;
        QVERIFY(!MixRecord::parse(text, &problem));
        QCOMPARE(problem.kind, kind);
        QCOMPARE(problem.field, field);
        QCOMPARE(problem.text, fieldText);
    }

    void readsADeviceNoFurtherThanTheLastField()
    {
        QByteArray bytes = exampleLine.chopped(2) + ",rest of the file";
        QBuffer buffer(&bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        QVERIFY(MixRecord::read(buffer));
        QCOMPARE(buffer.pos(), exampleLine.size() - 2 + 1);
    }
};

QTEST_GUILESS_MAIN(MixRecordTest)
#include "MixRecordTest.moc"
