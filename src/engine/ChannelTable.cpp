#include "engine/ChannelTable.h"

#include <QDir>
#include <QFileInfo>

namespace ChannelTable {

namespace {

constexpr std::array<ChannelInfo, channelCount> table = {{
    {1, groupSoundColor, "Brown Noise", "Check1", "HScroll3", "HScroll23", "HScroll8", "Label1", "\\Brown_Noise.Wav"},
    {2, groupSoundColor, "Pink Noise", "Check2", "HScroll4", "HScroll24", "HScroll9", "Label2", "\\Pink_Noise.Wav"},
    {3, groupSoundColor, "White Noise", "Check3", "HScroll5", "HScroll25", "HScroll10", "Label3", "\\White_Noise.Wav"},
    {4, groupSoundColor, "Blue Noise", "Check4", "HScroll6", "HScroll26", "HScroll11", "Label6", "\\Blue_Noise.Wav"},
    {5, groupSoundColor, "Purple Noise", "Check5", "HScroll7", "HScroll27", "HScroll12", "Label7", "\\violet.Wav "},
    {6, groupEnvironmental, "Rain", "Check7", "HScroll18", "HScroll28", "HScroll13", "Label9", "\\downpour.Wav"},
    {7, groupEnvironmental, "Wind", "Check8", "HScroll19", "HScroll29", "HScroll14", "Label10", "\\wind.Wav"},
    {8, groupEnvironmental, "Ocean", "Check9", "HScroll20", "HScroll30", "HScroll15", "Label11", "\\ocean.Wav"},
    {9, groupEnvironmental, "Downpour", "Check10", "HScroll21", "HScroll31", "HScroll16", "Label12", "\\crickets.Wav"},
    {10, groupEnvironmental, "Cicada", "Check11", "HScroll22", "HScroll32", "HScroll17", "Label13", "\\cicada.Wav "},
    {11, groupOther, "Aircraft Cabin", "Check12", "HScroll33", "HScroll37", "HScroll41", "Label15", "\\sine.Wav"},
    {12, groupOther, "Air Conditioning", "Check13", "HScroll34", "HScroll38", "HScroll42", "Label16", "\\square.Wav"},
    {13, groupOther, "Fan Noise", "Check14", "HScroll35", "HScroll39", "HScroll43", "Label17", "\\saw.Wav"},
    {14, groupOther, "Radio Static", "Check15", "HScroll36", "HScroll40", "HScroll44", "Label18", "\\radiostatic.Wav"},
}};

}

const std::array<ChannelInfo, channelCount> &channels()
{
    return table;
}

const ChannelInfo &channel(int number)
{
    Q_ASSERT(number >= 1 && number <= channelCount);
    return table[static_cast<std::size_t>(number - 1)];
}

QString soundFileName(const char *literal)
{
    QString name = QString::fromLatin1(literal);
    while (name.startsWith(QLatin1Char('\\')))
        name.remove(0, 1);
    while (name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    return name;
}

QString soundFilePath(const QString &folder, const char *literal)
{
    const QString name = soundFileName(literal);
    const QDir dir(folder);
    const QString exact = dir.filePath(name);
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList entries = dir.entryList(QDir::Files);
    for (const QString &entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return exact;
}

}
