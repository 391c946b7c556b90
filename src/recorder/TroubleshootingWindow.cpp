#include "recorder/TroubleshootingWindow.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TroubleshootingWindow::TroubleshootingWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form14"));
    setWindowTitle(tr("Troubleshooting Recording Problems"));
    auto *layout = new QVBoxLayout(this);
    addQuestion(tr("Why is my recording silent?"),
                tr("The recorder records the source chosen under \"Select Recording Source\". "
                   "To record what your desktop plays, choose the monitor of your output device "
                   "there (its name begins with \"Monitor of\"). Make sure that source is not "
                   "muted, there or in your desktop's sound settings."));
    addQuestion(tr("Why is my recording too quiet or too loud?"),
                tr("A monitor source records the sound as it is sent to your speakers, so its "
                   "level follows the volume of what plays. Check the master volume on the main "
                   "console and the level of the chosen source, then make a short test recording "
                   "and listen to it before a long one."));
    addQuestion(tr("How do I keep and play my recording?"),
                tr("After \"Stop\", press \"Save\" and choose a file name. The saved WAV file plays "
                   "in any media player. For a smaller file, use \"Convert Wav - Mp3\", which "
                   "needs the lame encoder."));
    auto *close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(460, sizeHint().height());
}

void TroubleshootingWindow::addQuestion(const QString &question, const QString &answer)
{
    auto *questionLabel = new QLabel(question, this);
    QFont bold = questionLabel->font();
    bold.setBold(true);
    questionLabel->setFont(bold);
    auto *answerLabel = new QLabel(answer, this);
    answerLabel->setWordWrap(true);
    answerLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    auto *layout = static_cast<QVBoxLayout *>(this->layout());
    layout->addWidget(questionLabel);
    layout->addWidget(answerLabel);
    layout->addSpacing(6);
}
