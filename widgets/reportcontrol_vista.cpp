// The model and the view under the list: the model reads the list's displayed rows and columns, the
// view draws the empty-list text and reports the mouse-up and the row choice.
#include "widgets/reportcontrol.h"

#include <QKeyEvent>
#include <QPainter>

ModelloReport::ModelloReport(ReportControl *report) : QAbstractTableModel(report), m_report(report) {}

int ModelloReport::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_report->m_righe.size();
}

int ModelloReport::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_report->m_colonne.size();
}

QVariant ModelloReport::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const ColonnaReport &c = m_report->m_colonne.at(index.column());
    if (role == Qt::DisplayRole)
        return ReportControl::TestoValore(m_report->ValoreItem(index.row(), c.indiceItem));
    if (role == Qt::TextAlignmentRole)
        return int(c.allineamento);
    return QVariant();
}

QVariant ModelloReport::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_report->m_colonne.size())
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_report->m_colonne.at(section).caption;
    if (role == Qt::TextAlignmentRole)
        return int(m_report->m_colonne.at(section).allineamento);
    return QVariant();
}

// ---------------------------------------------------------------------------------------------

void VistaReport::paintEvent(QPaintEvent *e)
{
    QTreeView::paintEvent(e);
    if (model() && model()->rowCount() == 0 && !testoVuoto.isEmpty()) {
        QPainter p(viewport());
        p.setPen(palette().color(QPalette::PlaceholderText));
        p.drawText(viewport()->rect().adjusted(0, 12, 0, 0), Qt::AlignHCenter | Qt::AlignTop, testoVuoto);
    }
}

void VistaReport::keyPressEvent(QKeyEvent *e)
{
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && currentIndex().isValid()) {
        Q_EMIT sceltaRiga();
        return;
    }
    QTreeView::keyPressEvent(e);
}

void VistaReport::mouseReleaseEvent(QMouseEvent *e)
{
    QTreeView::mouseReleaseEvent(e);
    int pulsante = 0;
    switch (e->button()) {
    case Qt::LeftButton:
        pulsante = 1;
        break;
    case Qt::RightButton:
        pulsante = 2;
        break;
    case Qt::MiddleButton:
        pulsante = 4;
        break;
    default:
        break;
    }
    int shift = 0;
    if (e->modifiers() & Qt::ShiftModifier)
        shift |= 1;
    if (e->modifiers() & Qt::ControlModifier)
        shift |= 2;
    if (e->modifiers() & Qt::AltModifier)
        shift |= 4;
    const QPoint pos = e->position().toPoint();
    Q_EMIT rilascioMouse(pulsante, shift, pos.x(), pos.y());
}
