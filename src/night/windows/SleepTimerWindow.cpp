#include "night/windows/SleepTimerWindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

constexpr int presets[] = {15, 30, 45, 60, 90, 120};
// The two entries after the presets.
constexpr int otherLength = 6;
constexpr int clockTime = 7;

}

SleepTimerWindow::SleepTimerWindow(const Preferences::Sleep &plan, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("sleepTimerWindow"));
    setWindowTitle(tr("Sleep Timer"));

    m_length = new QComboBox;
    m_length->setObjectName(QStringLiteral("length"));
    for (int minutes : presets)
        m_length->addItem(tr("%1 minutes").arg(minutes), minutes);
    m_length->addItem(tr("Other length"));
    m_length->addItem(tr("Until a clock time"));
    m_minutes = new QSpinBox;
    m_minutes->setObjectName(QStringLiteral("minutes"));
    m_minutes->setRange(1, Preferences::longestSleepMinutes);
    m_minutes->setSuffix(tr(" minutes"));
    m_minutes->setAccessibleName(tr("Length in minutes"));
    m_clockTime = new QTimeEdit;
    m_clockTime->setObjectName(QStringLiteral("clockTime"));
    m_clockTime->setDisplayFormat(QStringLiteral("HH:mm"));
    m_clockTime->setAccessibleName(tr("Clock time"));

    m_fadeLast = new QRadioButton(tr("Fade o&ver the last"));
    m_fadeMinutes = new QSpinBox;
    m_fadeMinutes->setObjectName(QStringLiteral("fadeMinutes"));
    m_fadeMinutes->setRange(1, Preferences::longestSleepMinutes);
    m_fadeMinutes->setSuffix(tr(" minutes"));
    m_fadeMinutes->setAccessibleName(tr("Fade length in minutes"));
    m_fadeWhole = new QRadioButton(tr("Fade &gradually over the whole time"));
    m_endPause = new QRadioButton(tr("&Pause the sound"));
    m_endExit = new QRadioButton(tr("E&xit Sonivale (the mix is kept for \"Resume Last\")"));

    auto *form = new QFormLayout;
    form->addRow(tr("&Sleep after:"), m_length);
    form->addRow(tr("&Length:"), m_minutes);
    form->addRow(tr("&Clock time:"), m_clockTime);
    auto *fade = new QGroupBox(tr("Fade"));
    auto *fadeLayout = new QVBoxLayout(fade);
    auto *lastRow = new QHBoxLayout;
    lastRow->addWidget(m_fadeLast);
    lastRow->addWidget(m_fadeMinutes);
    fadeLayout->addLayout(lastRow);
    fadeLayout->addWidget(m_fadeWhole);
    auto *end = new QGroupBox(tr("At the end"));
    auto *endLayout = new QVBoxLayout(end);
    endLayout->addWidget(m_endPause);
    endLayout->addWidget(m_endExit);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("S&tart"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(fade);
    layout->addWidget(end);
    layout->addWidget(buttons);

    const int preset = static_cast<int>(std::find(std::begin(presets), std::end(presets), plan.minutes) - std::begin(presets));
    m_length->setCurrentIndex(plan.atClockTime ? clockTime : preset < otherLength ? preset : otherLength);
    m_minutes->setValue(plan.minutes);
    m_clockTime->setTime(plan.clockTime);
    (plan.wholeDuration ? m_fadeWhole : m_fadeLast)->setChecked(true);
    m_fadeMinutes->setValue(plan.fadeMinutes);
    (plan.exitAtEnd ? m_endExit : m_endPause)->setChecked(true);
    connect(m_length, &QComboBox::currentIndexChanged, this, &SleepTimerWindow::showChoices);
    connect(m_fadeLast, &QRadioButton::toggled, this, &SleepTimerWindow::showChoices);
    showChoices();
}

void SleepTimerWindow::showChoices()
{
    const int index = m_length->currentIndex();
    if (index < otherLength)
        m_minutes->setValue(m_length->currentData().toInt());
    m_minutes->setEnabled(index == otherLength);
    m_clockTime->setEnabled(index == clockTime);
    m_fadeMinutes->setEnabled(m_fadeLast->isChecked());
}

Preferences::Sleep SleepTimerWindow::plan() const
{
    Preferences::Sleep plan;
    plan.atClockTime = m_length->currentIndex() == clockTime;
    plan.minutes = m_minutes->value();
    plan.clockTime = m_clockTime->time();
    plan.wholeDuration = m_fadeWhole->isChecked();
    plan.fadeMinutes = m_fadeMinutes->value();
    plan.exitAtEnd = m_endExit->isChecked();
    return plan;
}
