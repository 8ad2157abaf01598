#include "widgets/etichetta.h"

#include <QMouseEvent>

EtichettaCliccabile::EtichettaCliccabile(const QString &testo, QWidget *parent) : QLabel(testo, parent) {}

void EtichettaCliccabile::ImpostaCollegamento()
{
    setCursor(Qt::PointingHandCursor);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, pal.color(QPalette::Link));
    setPalette(pal);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
}

void EtichettaCliccabile::mousePressEvent(QMouseEvent *e)
{
    m_premuto = e->button() == Qt::LeftButton;
    QLabel::mousePressEvent(e);
}

void EtichettaCliccabile::mouseReleaseEvent(QMouseEvent *e)
{
    const bool click = m_premuto && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    m_premuto = false;
    QLabel::mouseReleaseEvent(e);
    if (click)
        Q_EMIT Click();
}
