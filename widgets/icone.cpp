#include "widgets/icone.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <functional>

// Every glyph is drawn on a 16 x 16 grid and rendered at 16 and 32 pixels, so the toolbar is crisp on
// ordinary and double-density screens alike, with no icon theme installed.

namespace {
using Disegno = std::function<void(QPainter &)>;

QPixmap rendi(const Disegno &disegna, int lato)
{
    QPixmap pm(lato, lato);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(lato / 16.0, lato / 16.0);
    disegna(p);
    return pm;
}

QIcon icona(const Disegno &disegna)
{
    QIcon i;
    i.addPixmap(rendi(disegna, 16));
    i.addPixmap(rendi(disegna, 32));
    return i;
}

QPen tratto(const QColor &colore, qreal spessore = 1.0)
{
    return QPen(colore, spessore, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A sheet of paper with a folded corner, the base of several glyphs.
void foglio(QPainter &p, const QRectF &r)
{
    QPainterPath path;
    const qreal piega = 3.5;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - piega, r.top());
    path.lineTo(r.right(), r.top() + piega);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(tratto(QColor(0x70, 0x78, 0x80)));
    p.setBrush(Qt::white);
    p.drawPath(path);
    QPainterPath orecchia;
    orecchia.moveTo(r.right() - piega, r.top());
    orecchia.lineTo(r.right() - piega, r.top() + piega);
    orecchia.lineTo(r.right(), r.top() + piega);
    p.setBrush(QColor(0xdd, 0xe2, 0xe8));
    p.drawPath(orecchia);
}

void salva(QPainter &p)
{
    // A floppy disk: blue body, metal shutter at the top, white label below.
    QPainterPath corpo;
    corpo.moveTo(1.5, 1.5);
    corpo.lineTo(12.5, 1.5);
    corpo.lineTo(14.5, 3.5);
    corpo.lineTo(14.5, 14.5);
    corpo.lineTo(1.5, 14.5);
    corpo.closeSubpath();
    p.setPen(tratto(QColor(0x1c, 0x3f, 0x7a)));
    p.setBrush(QColor(0x2f, 0x6b, 0xc4));
    p.drawPath(corpo);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc9, 0xd1, 0xdb));
    p.drawRect(QRectF(4, 2, 7, 4.5));
    p.setBrush(QColor(0x2f, 0x6b, 0xc4));
    p.drawRect(QRectF(8.5, 2.7, 1.6, 3.1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 8.5, 9, 5));
    p.setPen(tratto(QColor(0x9a, 0xa6, 0xb4), 0.8));
    p.drawLine(QPointF(5, 10.5), QPointF(11, 10.5));
    p.drawLine(QPointF(5, 12.2), QPointF(11, 12.2));
}

void annulla(QPainter &p)
{
    // An undo arrow: an arc bending back to the left, with its head.
    const QColor colore(0xc0, 0x6a, 0x10);
    QPainterPath arco;
    arco.moveTo(4.5, 6.5);
    arco.cubicTo(QPointF(8.5, 3.0), QPointF(15.0, 5.0), QPointF(13.5, 10.5));
    arco.cubicTo(QPointF(12.8, 13.0), QPointF(10.5, 14.0), QPointF(8.0, 14.0));
    p.setPen(tratto(colore, 2.2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arco);
    QPainterPath punta;
    punta.moveTo(1.0, 7.5);
    punta.lineTo(6.5, 2.5);
    punta.lineTo(7.2, 9.8);
    punta.closeSubpath();
    p.setPen(tratto(colore, 0.8));
    p.setBrush(colore);
    p.drawPath(punta);
}

void elimina(QPainter &p)
{
    // A waste bin with a red cross on it.
    p.setPen(tratto(QColor(0x55, 0x5d, 0x66)));
    p.setBrush(QColor(0xd5, 0xda, 0xe0));
    QPainterPath secchio;
    secchio.moveTo(3.0, 4.5);
    secchio.lineTo(13.0, 4.5);
    secchio.lineTo(12.0, 15.0);
    secchio.lineTo(4.0, 15.0);
    secchio.closeSubpath();
    p.drawPath(secchio);
    p.drawRoundedRect(QRectF(1.5, 2.5, 13, 2), 0.8, 0.8);
    p.drawLine(QPointF(6.5, 2.5), QPointF(6.5, 1.2));
    p.drawLine(QPointF(6.5, 1.2), QPointF(9.5, 1.2));
    p.drawLine(QPointF(9.5, 1.2), QPointF(9.5, 2.5));
    p.setPen(tratto(QColor(0xd0, 0x20, 0x20), 2.0));
    p.drawLine(QPointF(5.5, 7.0), QPointF(10.5, 12.5));
    p.drawLine(QPointF(10.5, 7.0), QPointF(5.5, 12.5));
}

void esci(QPainter &p)
{
    // An open door with an arrow leaving through it.
    p.setPen(tratto(QColor(0x6b, 0x45, 0x20)));
    p.setBrush(QColor(0xf1, 0xe8, 0xd8));
    p.drawRect(QRectF(2.5, 1.5, 8, 13));
    QPainterPath anta;
    anta.moveTo(2.5, 1.5);
    anta.lineTo(7.0, 3.0);
    anta.lineTo(7.0, 15.5);
    anta.lineTo(2.5, 14.5);
    anta.closeSubpath();
    p.setBrush(QColor(0xa8, 0x6d, 0x32));
    p.drawPath(anta);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf5, 0xd0, 0x60));
    p.drawEllipse(QPointF(6.0, 9.0), 0.7, 0.7);
    const QColor verde(0x1f, 0x8a, 0x3a);
    p.setPen(tratto(verde, 2.0));
    p.drawLine(QPointF(8.5, 8.0), QPointF(12.5, 8.0));
    QPainterPath punta;
    punta.moveTo(15.5, 8.0);
    punta.lineTo(11.5, 4.5);
    punta.lineTo(11.5, 11.5);
    punta.closeSubpath();
    p.setPen(tratto(verde, 0.6));
    p.setBrush(verde);
    p.drawPath(punta);
}

void generica(QPainter &p)
{
    // The unused image of the set: a plain sheet with lines of text.
    foglio(p, QRectF(3.5, 1.5, 9, 13));
    p.setPen(tratto(QColor(0x9a, 0xa6, 0xb4), 0.8));
    for (qreal y = 6.0; y < 13.0; y += 2.0)
        p.drawLine(QPointF(5.5, y), QPointF(10.5, y));
}

void stampa(QPainter &p)
{
    // A printer: paper in, body, paper out.
    p.setPen(tratto(QColor(0x70, 0x78, 0x80)));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 1.5, 7, 5));
    p.setPen(tratto(QColor(0x3d, 0x44, 0x4c)));
    p.setBrush(QColor(0x8d, 0x97, 0xa3));
    p.drawRoundedRect(QRectF(1.5, 5.5, 13, 6), 1.2, 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3b, 0xc1, 0x4a));
    p.drawEllipse(QPointF(12.3, 7.5), 0.8, 0.8);
    p.setPen(tratto(QColor(0x70, 0x78, 0x80)));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 9.5, 7, 5));
    p.setPen(tratto(QColor(0x9a, 0xa6, 0xb4), 0.8));
    p.drawLine(QPointF(6.0, 11.5), QPointF(10.0, 11.5));
    p.drawLine(QPointF(6.0, 13.0), QPointF(10.0, 13.0));
}

void aiuto(QPainter &p)
{
    // A blue disc with a white question mark.
    p.setPen(tratto(QColor(0x1c, 0x4f, 0x9c)));
    p.setBrush(QColor(0x2f, 0x7b, 0xd8));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(tratto(Qt::white, 2.0));
    p.setBrush(Qt::NoBrush);
    QPainterPath segno;
    segno.moveTo(5.6, 6.0);
    segno.cubicTo(QPointF(5.6, 3.2), QPointF(10.6, 3.2), QPointF(10.4, 6.0));
    segno.cubicTo(QPointF(10.3, 7.8), QPointF(8.0, 7.8), QPointF(8.0, 9.8));
    p.drawPath(segno);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8.0, 12.3), 1.2, 1.2);
}

void esporta(QPainter &p)
{
    // A sheet with a green arrow leaving it to the right.
    foglio(p, QRectF(1.5, 1.5, 9, 13));
    p.setPen(tratto(QColor(0x9a, 0xa6, 0xb4), 0.8));
    for (qreal y = 5.0; y < 13.0; y += 2.0)
        p.drawLine(QPointF(3.5, y), QPointF(6.5, y));
    const QColor verde(0x1f, 0x8a, 0x3a);
    p.setPen(tratto(verde, 2.0));
    p.drawLine(QPointF(6.5, 9.5), QPointF(11.5, 9.5));
    QPainterPath punta;
    punta.moveTo(15.5, 9.5);
    punta.lineTo(11.0, 5.5);
    punta.lineTo(11.0, 13.5);
    punta.closeSubpath();
    p.setPen(tratto(verde, 0.6));
    p.setBrush(verde);
    p.drawPath(punta);
}

void anagrafica(QPainter &p)
{
    // A card with a person's bust, and a pencil across its corner.
    p.setPen(tratto(QColor(0x5a, 0x66, 0x74)));
    p.setBrush(QColor(0xf4, 0xf6, 0xf9));
    p.drawRoundedRect(QRectF(0.5, 2.5, 12, 9.5), 1.2, 1.2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x3a, 0x6e, 0xb5));
    p.drawEllipse(QPointF(4.0, 5.8), 1.7, 1.7);
    QPainterPath busto;
    busto.moveTo(1.2, 11.2);
    busto.cubicTo(QPointF(1.2, 7.8), QPointF(6.8, 7.8), QPointF(6.8, 11.2));
    busto.closeSubpath();
    p.drawPath(busto);
    p.setPen(tratto(QColor(0x9a, 0xa6, 0xb4), 0.8));
    p.drawLine(QPointF(8.0, 5.5), QPointF(11.0, 5.5));
    p.drawLine(QPointF(8.0, 7.5), QPointF(10.0, 7.5));
    // The pencil, from the lower right towards the card.
    p.save();
    p.translate(12.0, 12.0);
    p.rotate(-45);
    p.setPen(tratto(QColor(0x7a, 0x4b, 0x10), 0.7));
    p.setBrush(QColor(0xf2, 0xb7, 0x2f));
    p.drawRect(QRectF(-4.0, -1.3, 7.0, 2.6));
    p.setBrush(QColor(0xe8, 0x8a, 0x9a));
    p.drawRect(QRectF(3.0, -1.3, 1.5, 2.6));
    QPainterPath punta;
    punta.moveTo(-4.0, -1.3);
    punta.lineTo(-6.5, 0.0);
    punta.lineTo(-4.0, 1.3);
    punta.closeSubpath();
    p.setBrush(QColor(0xf1, 0xd9, 0xb5));
    p.drawPath(punta);
    p.restore();
}

void trova(QPainter &p)
{
    // A yellow folder with a pair of binoculars in front of it.
    p.setPen(tratto(QColor(0xa0, 0x78, 0x10)));
    p.setBrush(QColor(0xf0, 0xc0, 0x40));
    QPainterPath cartella;
    cartella.moveTo(0.5, 3.0);
    cartella.lineTo(5.0, 3.0);
    cartella.lineTo(6.5, 4.5);
    cartella.lineTo(13.5, 4.5);
    cartella.lineTo(13.5, 12.5);
    cartella.lineTo(0.5, 12.5);
    cartella.closeSubpath();
    p.drawPath(cartella);
    p.setBrush(QColor(0xf8, 0xd8, 0x70));
    p.drawRect(QRectF(0.5, 6.0, 13, 6.5));
    // Binoculars: two barrels joined by a bridge, lenses facing the viewer.
    const QColor scuro(0x2b, 0x30, 0x36);
    p.setPen(tratto(scuro, 0.8));
    p.setBrush(QColor(0x4a, 0x52, 0x5c));
    p.drawRoundedRect(QRectF(6.2, 7.0, 3.6, 5.0), 1.0, 1.0);
    p.drawRoundedRect(QRectF(11.2, 7.0, 3.6, 5.0), 1.0, 1.0);
    p.drawRect(QRectF(9.6, 8.2, 1.8, 1.6));
    p.setBrush(QColor(0x8f, 0xc8, 0xf0));
    p.drawEllipse(QPointF(8.0, 13.3), 2.2, 2.2);
    p.drawEllipse(QPointF(13.0, 13.3), 2.2, 2.2);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(7.3, 12.6), 0.6, 0.6);
    p.drawEllipse(QPointF(12.3, 12.6), 0.6, 0.6);
}

void filtro(QPainter &p)
{
    // A funnel.
    QPainterPath imbuto;
    imbuto.moveTo(1.0, 2.0);
    imbuto.lineTo(15.0, 2.0);
    imbuto.lineTo(9.5, 8.5);
    imbuto.lineTo(9.5, 13.0);
    imbuto.lineTo(6.5, 15.0);
    imbuto.lineTo(6.5, 8.5);
    imbuto.closeSubpath();
    p.setPen(tratto(QColor(0x1c, 0x4f, 0x9c)));
    p.setBrush(QColor(0x5a, 0x9b, 0xe6));
    p.drawPath(imbuto);
    p.setPen(tratto(QColor(0xd8, 0xe8, 0xfa), 0.8));
    p.drawLine(QPointF(3.0, 3.3), QPointF(13.0, 3.3));
}
} // namespace

QIcon IconaComando(int id)
{
    switch (id) {
    case 1:
        return icona(salva);
    case 2:
        return icona(annulla);
    case 3:
        return icona(elimina);
    case 4:
        return icona(esci);
    case 5:
        return icona(generica);
    case 6:
        return icona(stampa);
    case 7:
        return icona(aiuto);
    case 8:
        return icona(esporta);
    case 9:
        return icona(anagrafica);
    default:
        return QIcon();
    }
}

namespace {
// The icons of the windows opened again and again (search, master data), drawn once while the
// application lives: pixmaps must not outlive it, so they go with it.
struct IconeRicordate {
    QIcon trova, filtro;
};
IconeRicordate &ricordate()
{
    static IconeRicordate r;
    return r;
}
QIcon ricordata(QIcon IconeRicordate::*quale, const Disegno &disegna)
{
    IconeRicordate &r = ricordate();
    if ((r.*quale).isNull()) {
        // The first icon drawn under this application: all of them go when it ends.
        if (r.trova.isNull() && r.filtro.isNull())
            qAddPostRoutine([] { ricordate() = IconeRicordate(); });
        r.*quale = icona(disegna);
    }
    return r.*quale;
}
} // namespace

QIcon IconaTrova() { return ricordata(&IconeRicordate::trova, trova); }

QIcon IconaFiltro() { return ricordata(&IconeRicordate::filtro, filtro); }
