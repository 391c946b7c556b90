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

const char *const SoundsWindow::mixNote = "A mix file keeps levels, not sounds: the sounds chosen here stay until you change them.";

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
    note->setWordWrap(true);
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
    for (const SoundChoices::Option &option : SoundChoices::optionsFor(channel, current)) {
        if (option.choice == current)
            selected = row.sounds->count();
        row.sounds->addItem(option.label, row.sounds->count());
    }
    row.sounds->addItem(tr("Your File\u2026"), fileItem);
    row.sounds->setCurrentIndex(selected);
    row.restore->setEnabled(!current.isOwn());
}

void SoundsWindow::picked(int channel, int item)
{
    if (item < 0)
        return;
    const int option = m_rows[index(channel)].sounds->itemData(item).toInt();
    if (option == fileItem)
        m_chooseFile(channel, this);
    else {
        const std::vector<SoundChoices::Option> options = SoundChoices::optionsFor(channel, m_chooser.choice(channel));
        m_chooser.choose(channel, options[static_cast<std::size_t>(option)].choice, this);
    }
    // What the chooser now plays, also when nothing was chosen or it could not be played.
    showRow(channel);
}
