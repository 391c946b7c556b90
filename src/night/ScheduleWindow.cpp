#include "night/ScheduleWindow.h"

#include "platform/FileDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTime>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

enum Column { TimeColumn, FileColumn, GlideColumn, RepeatColumn, OnColumn, ColumnCount };

}

ScheduleWindow::ScheduleWindow(const QList<Preferences::ScheduleEntry> &entries, FileDialogs &dialogs,
                               const QString &mixFolder, QWidget *parent)
    : QDialog(parent)
    , m_dialogs(dialogs)
    , m_mixFolder(mixFolder)
{
    setObjectName(QStringLiteral("scheduleWindow"));
    setWindowTitle(tr("Scheduled Mixes"));
    resize(620, 300);

    m_table = new QTableWidget(0, ColumnCount);
    m_table->setObjectName(QStringLiteral("schedule"));
    m_table->setAccessibleName(tr("Scheduled mixes"));
    m_table->setHorizontalHeaderLabels({tr("Time"), tr("Mix file"), tr("Glide"), tr("Repeat"), tr("On")});
    m_table->horizontalHeader()->setSectionResizeMode(FileColumn, QHeaderView::Stretch);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();

    auto *add = new QPushButton(tr("&Add…"));
    auto *remove = new QPushButton(tr("&Remove"));
    connect(add, &QPushButton::clicked, this, &ScheduleWindow::addFromDialog);
    connect(remove, &QPushButton::clicked, this, &ScheduleWindow::removeSelected);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *row = new QHBoxLayout;
    row->addWidget(add);
    row->addWidget(remove);
    row->addStretch();
    row->addWidget(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addLayout(row);

    for (const Preferences::ScheduleEntry &entry : entries)
        addEntry(entry);
}

void ScheduleWindow::addEntry(const Preferences::ScheduleEntry &entry)
{
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    const QString name = QFileInfo(entry.file).fileName();

    auto *time = new QTimeEdit(entry.time.isValid() ? entry.time : QTime(7, 0));
    time->setDisplayFormat(QStringLiteral("HH:mm"));
    time->setAccessibleName(tr("Time of %1").arg(name));
    auto *file = new QTableWidgetItem(name);
    file->setData(Qt::UserRole, entry.file);
    file->setToolTip(entry.file);
    file->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    auto *glide = new QSpinBox;
    glide->setRange(0, Preferences::longestGlideMinutes);
    glide->setSuffix(tr(" min"));
    glide->setValue(entry.glideMinutes);
    glide->setAccessibleName(tr("Glide of %1 in minutes").arg(name));
    auto *repeat = new QComboBox;
    repeat->addItems({tr("Once"), tr("Every day")});
    repeat->setCurrentIndex(entry.daily ? 1 : 0);
    repeat->setAccessibleName(tr("Repeat of %1").arg(name));
    auto *on = new QCheckBox;
    on->setChecked(entry.enabled);
    on->setAccessibleName(tr("%1 on").arg(name));

    m_table->setCellWidget(row, TimeColumn, time);
    m_table->setItem(row, FileColumn, file);
    m_table->setCellWidget(row, GlideColumn, glide);
    m_table->setCellWidget(row, RepeatColumn, repeat);
    m_table->setCellWidget(row, OnColumn, on);
}

QList<Preferences::ScheduleEntry> ScheduleWindow::entries() const
{
    QList<Preferences::ScheduleEntry> entries;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        Preferences::ScheduleEntry entry;
        entry.time = qobject_cast<QTimeEdit *>(m_table->cellWidget(row, TimeColumn))->time();
        entry.file = m_table->item(row, FileColumn)->data(Qt::UserRole).toString();
        entry.glideMinutes = qobject_cast<QSpinBox *>(m_table->cellWidget(row, GlideColumn))->value();
        entry.daily = qobject_cast<QComboBox *>(m_table->cellWidget(row, RepeatColumn))->currentIndex() == 1;
        entry.enabled = qobject_cast<QCheckBox *>(m_table->cellWidget(row, OnColumn))->isChecked();
        entries.append(entry);
    }
    return entries;
}

void ScheduleWindow::addFromDialog()
{
    const QString file = m_dialogs.openFile(this, m_mixFolder, QStringLiteral("Quietmix Files (*.smf)"));
    if (file.isEmpty())
        return;
    Preferences::ScheduleEntry entry;
    entry.file = file;
    entry.time = QTime(7, 0);
    entry.glideMinutes = 10;
    entry.daily = true;
    addEntry(entry);
}

void ScheduleWindow::removeSelected()
{
    const int row = m_table->currentRow();
    if (row >= 0)
        m_table->removeRow(row);
}
