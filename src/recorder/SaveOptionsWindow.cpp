#include "recorder/SaveOptionsWindow.h"

#include "platform/DesktopServices.h"
#include "platform/UserMessages.h"

#include <QButtonGroup>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

SaveOptionsWindow::SaveOptionsWindow(const QString &fileName, DesktopServices &desktop, UserMessages &messages,
                                     QWidget *parent)
    : QDialog(parent)
    , m_desktop(desktop)
    , m_messages(messages)
    , m_shownName(fileName)
    , m_target(fileName)
{
    setObjectName(QStringLiteral("Form9"));
    setWindowTitle(tr("Save Options"));
    setModal(false);

    auto *layout = new QVBoxLayout(this);
    auto *heading = new QLabel(tr("Your file has been saved to:"), this);
    heading->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(heading);
    auto *name = new QLabel(QDir::toNativeSeparators(fileName), this);
    name->setObjectName(QStringLiteral("Label2"));
    name->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    name->setWordWrap(true);
    name->setAccessibleName(tr("Saved file"));
    layout->addWidget(name);
    auto *prompt = new QLabel(tr("Please select a choice below and click next:"), this);
    prompt->setObjectName(QStringLiteral("Label3"));
    layout->addWidget(prompt);

    auto *group = new QButtonGroup(this);
    for (QRadioButton *option : {addOption(tr("Open The File With Default Media Player"), "Option1", Choice::OpenFile),
                                 addOption(tr("Open The Directory Containing The File"), "Option2", Choice::OpenFolder),
                                 addOption(tr("Return To Console"), "Option3", Choice::ReturnToConsole)}) {
        group->addButton(option);
        layout->addWidget(option);
    }
    findChild<QRadioButton *>(QStringLiteral("Option3"))->setChecked(true);

    auto *nextButton = new QPushButton(tr("Next"), this);
    nextButton->setObjectName(QStringLiteral("Command1"));
    nextButton->setDefault(true);
    layout->addWidget(nextButton, 0, Qt::AlignRight);
    connect(nextButton, &QPushButton::clicked, this, &SaveOptionsWindow::next);
}

QRadioButton *SaveOptionsWindow::addOption(const QString &text, const char *name, Choice choice)
{
    auto *option = new QRadioButton(text, this);
    option->setObjectName(QString::fromLatin1(name));
    connect(option, &QRadioButton::toggled, this, [this, choice](bool on) {
        if (on)
            m_choice = choice;
    });
    return option;
}

void SaveOptionsWindow::next()
{
    const QString shown = QDir::toNativeSeparators(m_target);
    if (m_choice == Choice::OpenFile && !m_desktop.openUrl(QUrl::fromLocalFile(m_target)))
        m_messages.warn(this, tr("The file %1 could not be opened: no program on this desktop is set up "
                                 "to play it.").arg(shown));
    else if (m_choice == Choice::OpenFolder && !m_desktop.showInFolder(m_target))
        m_messages.warn(this, tr("The folder of %1 could not be shown: no file manager on this desktop "
                                 "took the request.").arg(shown));
    close();
}
