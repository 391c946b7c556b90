#include "night/windows/ScheduleWindow.h"

#include "platform/FileDialogs.h"
#include "settings/MixFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QTableWidget>
#include <QTime>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace {

enum Column { TimeColumn, FileColumn, GlideColumn, RepeatColumn, OnColumn, ColumnCount };

QString repeatText(bool daily)
{
    return daily ? ScheduleWindow::tr("Every day") : ScheduleWindow::tr("Once");
}

}

ScheduleWindow::ScheduleWindow(const QList<Preferences::ScheduleEntry> &entries, FileDialogs &dialogs,
                               const QString &mixFolder, QWidget *parent)
    : QDialog(parent)
    , m_dialogs(dialogs)
    , m_mixFolder(mixFolder)
{
    setObjectName(QStringLiteral("scheduleWindow"));
    setWindowTitle(tr("Scheduled Mixes"));
    resize(620, 360);

    m_table = new QTableWidget(0, ColumnCount);
    m_table->setObjectName(QStringLiteral("schedule"));
    m_table->setAccessibleName(tr("Scheduled mixes"));
    m_table->setHorizontalHeaderLabels({tr("Time"), tr("Mix file"), tr("Glide"), tr("Repeat"), tr("On")});
    m_table->horizontalHeader()->setSectionResizeMode(FileColumn, QHeaderView::Stretch);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab moves on to the fields and buttons; the arrow keys move within the table.
    m_table->setTabKeyNavigation(false);
    m_table->verticalHeader()->hide();
    connect(m_table, &QTableWidget::currentCellChanged, this, &ScheduleWindow::selectionMoved);

    auto *add = new QPushButton(tr("&Add…"));
    add->setObjectName(QStringLiteral("add"));
    m_remove = new QPushButton(tr("&Remove"));
    m_remove->setObjectName(QStringLiteral("remove"));
    connect(add, &QPushButton::clicked, this, &ScheduleWindow::addFromDialog);
    connect(m_remove, &QPushButton::clicked, this, &ScheduleWindow::removeSelected);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *row = new QHBoxLayout;
    row->addWidget(add);
    row->addWidget(m_remove);
    row->addStretch();
    row->addWidget(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(buildEditor());
    layout->addLayout(row);

    for (const Preferences::ScheduleEntry &entry : entries)
        addEntry(entry);
    m_table->setCurrentCell(m_entries.isEmpty() ? -1 : 0, FileColumn);
    selectionMoved();
}

QWidget *ScheduleWindow::buildEditor()
{
    m_editor = new QWidget;
    auto *form = new QFormLayout(m_editor);
    form->setContentsMargins(0, 0, 0, 0);
    m_time = new QTimeEdit;
    m_time->setObjectName(QStringLiteral("time"));
    m_time->setDisplayFormat(QStringLiteral("HH:mm"));
    m_glide = new QSpinBox;
    m_glide->setObjectName(QStringLiteral("glide"));
    m_glide->setRange(0, Preferences::longestGlideMinutes);
    m_glide->setSuffix(tr(" min"));
    m_repeat = new QComboBox;
    m_repeat->setObjectName(QStringLiteral("repeat"));
    m_repeat->addItems({repeatText(false), repeatText(true)});
    m_on = new QCheckBox(tr("O&n"));
    m_on->setObjectName(QStringLiteral("on"));
    const auto labelled = [form](const QString &text, QWidget *field) {
        auto *label = new QLabel(text);
        label->setBuddy(field);
        form->addRow(label, field);
    };
    labelled(tr("&Time:"), m_time);
    labelled(tr("&Glide over:"), m_glide);
    labelled(tr("R&epeat:"), m_repeat);
    form->addRow(QString(), m_on);
    connect(m_time, &QTimeEdit::timeChanged, this, &ScheduleWindow::edited);
    connect(m_glide, &QSpinBox::valueChanged, this, &ScheduleWindow::edited);
    connect(m_repeat, &QComboBox::currentIndexChanged, this, &ScheduleWindow::edited);
    connect(m_on, &QCheckBox::toggled, this, &ScheduleWindow::edited);
    return m_editor;
}

void ScheduleWindow::addEntry(const Preferences::ScheduleEntry &entry)
{
    Preferences::ScheduleEntry added = entry;
    if (!added.time.isValid())
        added.time = QTime(7, 0);
    m_entries.append(added);
    const int row = m_table->rowCount();
    m_table->insertRow(row);
    for (int column = 0; column < ColumnCount; ++column)
        m_table->setItem(row, column, new QTableWidgetItem);
    showRow(row);
    m_table->setCurrentCell(row, FileColumn);
}

void ScheduleWindow::showRow(int row)
{
    const Preferences::ScheduleEntry &entry = m_entries.at(row);
    m_table->item(row, TimeColumn)->setText(entry.time.toString(QStringLiteral("HH:mm")));
    m_table->item(row, FileColumn)->setText(QFileInfo(entry.file).fileName());
    m_table->item(row, FileColumn)->setToolTip(entry.file);
    m_table->item(row, GlideColumn)->setText(tr("%1 min").arg(entry.glideMinutes));
    m_table->item(row, RepeatColumn)->setText(repeatText(entry.daily));
    m_table->item(row, OnColumn)->setText(entry.enabled ? tr("on") : tr("off"));
}

void ScheduleWindow::selectionMoved()
{
    const int row = m_table->currentRow();
    const bool chosen = row >= 0 && row < m_entries.size();
    m_remove->setEnabled(chosen);
    m_editor->setEnabled(chosen);
    if (!chosen)
        return;
    const Preferences::ScheduleEntry &entry = m_entries.at(row);
    const QScopedValueRollback loading(m_loading, true);
    m_time->setTime(entry.time);
    m_glide->setValue(entry.glideMinutes);
    m_repeat->setCurrentIndex(entry.daily ? 1 : 0);
    m_on->setChecked(entry.enabled);
    const QString name = QFileInfo(entry.file).fileName();
    m_time->setAccessibleDescription(name);
    m_glide->setAccessibleDescription(name);
    m_repeat->setAccessibleDescription(name);
    m_on->setAccessibleDescription(name);
}

void ScheduleWindow::edited()
{
    const int row = m_table->currentRow();
    if (m_loading || row < 0 || row >= m_entries.size())
        return;
    Preferences::ScheduleEntry &entry = m_entries[row];
    entry.time = m_time->time();
    entry.glideMinutes = m_glide->value();
    entry.daily = m_repeat->currentIndex() == 1;
    entry.enabled = m_on->isChecked();
    showRow(row);
}

void ScheduleWindow::addFromDialog()
{
    const QString file = m_dialogs.openFile(this, m_mixFolder, QString::fromLatin1(MixFile::dialogFilter));
    if (file.isEmpty())
        return;
    Preferences::ScheduleEntry entry;
    entry.file = file;
    entry.time = QTime(7, 0);
    entry.glideMinutes = 10;
    entry.daily = true;
    addEntry(entry);
    m_time->setFocus();
}

void ScheduleWindow::removeSelected()
{
    const int row = m_table->currentRow();
    if (row < 0 || row >= m_entries.size())
        return;
    m_entries.removeAt(row);
    m_table->removeRow(row);
    selectionMoved();
}
