#include "sounds/windows/SoundsWindow.h"

#include "sounds/SoundChooser.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

// The item that asks for a file carries no choice.
constexpr int fileItem = -1;

QString captionOf(int channel)
{
    return QString::fromLatin1(ChannelTable::channel(channel).caption);
}

}

const char *const SoundsWindow::mixNote = "A mix file keeps levels, not sounds: loading one leaves these as they are.";

SoundsWindow::SoundsWindow(SoundChooser &chooser, FileChooser chooseFile, QWidget *parent)
    : QDialog(parent)
    , m_chooser(chooser)
    , m_chooseFile(std::move(chooseFile))
{
    setObjectName(QStringLiteral("soundsWindow"));
    setWindowTitle(tr("Sounds"));
    auto *layout = new QVBoxLayout(this);
    auto *rows = new QGridLayout;
    for (int channel = 1; channel <= ChannelTable::channelCount; ++channel) {
        Row &row = m_rows[index(channel)];
        auto *label = new QLabel(tr("%1:").arg(captionOf(channel)));
        row.sounds = new QComboBox;
        row.sounds->setObjectName(QStringLiteral("sound%1").arg(channel));
        row.sounds->setAccessibleName(tr("%1 sound").arg(captionOf(channel)));
        label->setBuddy(row.sounds);
        row.restore = new QPushButton(tr("Restore"));
        row.restore->setObjectName(QStringLiteral("restore%1").arg(channel));
        row.restore->setAccessibleName(tr("Restore the own sound of %1").arg(captionOf(channel)));
        rows->addWidget(label, channel - 1, 0);
        rows->addWidget(row.sounds, channel - 1, 1);
        rows->addWidget(row.restore, channel - 1, 2);
        connect(row.sounds, &QComboBox::currentIndexChanged, this, [this, channel](int item) { picked(channel, item); });
        connect(row.restore, &QPushButton::clicked, this, [this, channel] { m_chooser.restore(channel, this); });
        showRow(channel);
    }
    rows->setColumnStretch(1, 1);
    layout->addLayout(rows);
    auto *note = new QLabel(QString::fromUtf8(mixNote));
    note->setObjectName(QStringLiteral("mixNote"));
    layout->addWidget(note);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);
    connect(&m_chooser, &SoundChooser::choiceChanged, this, &SoundsWindow::showRow);
}

void SoundsWindow::showRow(int channel)
{
    const Row &row = m_rows[index(channel)];
    const SoundChoice current = m_chooser.choice(channel);
    const QSignalBlocker block(row.sounds);
    row.sounds->clear();
    int selected = 0;
    int option = 0;
    SoundChoices::Option::Group group = SoundChoices::Option::Group::Own;
    for (const SoundChoices::Option &offered : SoundChoices::optionsFor(channel, current)) {
        if (offered.group != group)
            row.sounds->insertSeparator(row.sounds->count());
        group = offered.group;
        if (offered.choice == current)
            selected = row.sounds->count();
        row.sounds->addItem(offered.label, option++);
    }
    row.sounds->insertSeparator(row.sounds->count());
    row.sounds->addItem(tr("Your File\u2026"), fileItem);
    row.sounds->setCurrentIndex(selected);
    row.restore->setEnabled(!current.isOwn());
}

void SoundsWindow::picked(int channel, int item)
{
    const QVariant data = m_rows[index(channel)].sounds->itemData(item);
    // Nothing, or a separator.
    if (!data.isValid())
        return;
    const int option = data.toInt();
    if (option == fileItem)
        m_chooseFile(channel, this);
    else {
        const std::vector<SoundChoices::Option> options = SoundChoices::optionsFor(channel, m_chooser.choice(channel));
        m_chooser.choose(channel, options[static_cast<std::size_t>(option)].choice, this);
    }
    // What the chooser now plays, also when nothing was chosen or it could not be played.
    showRow(channel);
}
