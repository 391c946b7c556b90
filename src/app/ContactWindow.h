#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The contact window: a note and the support address, which starts a new mail when it is
// clicked or, having the focus, when Enter or Space is pressed.
class ContactWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ContactWindow(QWidget *parent = nullptr);

    QLabel *noteLabel() const;
    QPushButton *addressLink() const;

signals:
    void mailRequested();

private:
    QLabel *m_label1;
    QPushButton *m_label2;
};
