#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The about window: the product picture, name and version, the maker's lines and a button
// to the product web page.
class AboutWindow : public QWidget
{
    Q_OBJECT

public:
    explicit AboutWindow(QWidget *parent = nullptr);

    QPushButton *webPageButton() const;

signals:
    void webPageRequested();

private:
    QLabel *addLine(const QString &name, const QString &text);

    QPushButton *m_command1;
};
