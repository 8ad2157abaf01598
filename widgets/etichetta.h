#pragma once
// A label that reports a click (press and release of the left button inside it), as the labels of the
// two start and about windows do; a link label also shows the pointing hand and the link colour.

#include <QLabel>

class EtichettaCliccabile : public QLabel {
    Q_OBJECT
public:
    explicit EtichettaCliccabile(const QString &testo, QWidget *parent = nullptr);
    // Pointing-hand cursor, link colour, underline.
    void ImpostaCollegamento();

Q_SIGNALS:
    void Click();

protected:
    void mousePressEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;

private:
    bool m_premuto = false;
};
