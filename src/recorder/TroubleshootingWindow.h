#pragma once

#include <QWidget>

// Answers to the usual reasons why a recording stays silent or cannot be found.
class TroubleshootingWindow : public QWidget
{
    Q_OBJECT

public:
    explicit TroubleshootingWindow(QWidget *parent = nullptr);

private:
    void addQuestion(const QString &question, const QString &answer);
};
