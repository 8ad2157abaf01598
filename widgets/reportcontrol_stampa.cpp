// The list on paper: the preview and the pages, with the heading and the footer the window set.
#include "widgets/messaggi.h"
#include "widgets/reportcontrol.h"

#include <QPainter>
#include <QPrinter>

void ReportControl::AnteprimaStampa()
{
    Messaggi::servizio().anteprimaStampa(window(), m_titoloAnteprima,
                                         [this](QPrinter *p) { StampaPagine(p); });
}

int ReportControl::StampaPagine(QPrinter *printer) const
{
    QPainter p;
    if (!p.begin(printer))
        return 0;
    const QRect pagina = printer->pageLayout().paintRectPixels(printer->resolution());
    const QRect area(0, 0, pagina.width(), pagina.height());

    QFont corpo(QStringLiteral("DejaVu Sans"), 9);
    QFont grassetto = corpo;
    grassetto.setBold(true);
    p.setFont(corpo);
    const int riga = QFontMetrics(corpo, printer).height() * 13 / 10;
    const int margine = riga / 3;

    QVector<int> colonne;
    int larghezzaTotale = 0;
    for (int i = 0; i < m_colonne.size(); ++i) {
        if (m_colonne[i].visibile && m_colonne[i].larghezza > 0) {
            colonne.append(i);
            larghezzaTotale += m_colonne[i].larghezza;
        }
    }
    auto rettangoliColonne = [&](int y) {
        QVector<QRect> r;
        int x = area.left();
        for (int i : colonne) {
            const int w = larghezzaTotale > 0 ? area.width() * m_colonne[i].larghezza / larghezzaTotale : 0;
            r.append(QRect(x + margine, y, w - 2 * margine, riga));
            x += w;
        }
        return r;
    };

    const int inizioCorpo = area.top() + 3 * riga;
    const int fineCorpo = area.bottom() - 2 * riga;
    const int righePerPagina = qMax(1, (fineCorpo - inizioCorpo) / riga - 1);
    const int totale = m_righe.size();
    const int pagine = qMax(1, (totale + righePerPagina - 1) / righePerPagina);

    for (int pag = 0; pag < pagine; ++pag) {
        if (pag > 0)
            printer->newPage();
        p.setFont(grassetto);
        p.drawText(QRect(area.left(), area.top(), area.width(), 2 * riga), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap,
                   m_intestazione);
        int y = inizioCorpo;
        const QVector<QRect> titoli = rettangoliColonne(y);
        for (int k = 0; k < colonne.size(); ++k)
            p.drawText(titoli[k], int(m_colonne[colonne[k]].allineamento), m_colonne[colonne[k]].caption);
        p.drawLine(area.left(), y + riga, area.right(), y + riga);
        p.setFont(corpo);
        y += riga;
        const int fine = qMin(totale, (pag + 1) * righePerPagina);
        for (int r = pag * righePerPagina; r < fine; ++r) {
            const QVector<QRect> celle = rettangoliColonne(y);
            for (int k = 0; k < colonne.size(); ++k) {
                const ColonnaReport &c = m_colonne[colonne[k]];
                const QString testo = TestoValore(ValoreItem(r, c.indiceItem));
                p.drawText(celle[k], int(c.allineamento),
                           p.fontMetrics().elidedText(testo, Qt::ElideRight, celle[k].width()));
            }
            y += riga;
        }
        p.drawLine(area.left(), fineCorpo + riga / 2, area.right(), fineCorpo + riga / 2);
        p.drawText(QRect(area.left(), fineCorpo + riga / 2, area.width(), riga * 3 / 2),
                   Qt::AlignLeft | Qt::AlignVCenter, m_piePagina);
    }
    p.end();
    return pagine;
}
