#include "widgets/banner.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>

QPixmap BannerCorvalle(qreal densita)
{
    const int w = qRound(LarghezzaBanner * densita);
    const int h = qRound(AltezzaBanner * densita);
    const qreal orizzonte = 46;  // where the letters stand and their mirror image begins

    // The word alone, on a transparent sheet, so that it can be drawn twice.
    QImage scritta(w, h, QImage::Format_ARGB32_Premultiplied);
    scritta.setDevicePixelRatio(densita);
    scritta.fill(Qt::transparent);
    {
        QPainter p(&scritta);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        QFont f(QStringLiteral("Arial"));
        f.setPixelSize(44);
        f.setBold(true);
        f.setItalic(true);
        f.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
        p.setFont(f);
        QLinearGradient blu(0, orizzonte - 36, 0, orizzonte);
        blu.setColorAt(0, QColor(0x3d, 0x7f, 0xe0));
        blu.setColorAt(1, QColor(0x0b, 0x2f, 0x8a));
        p.setPen(QPen(QBrush(blu), 1));
        const QString parola = QStringLiteral("Corvalle");
        const qreal larghezza = QFontMetricsF(f).horizontalAdvance(parola);
        // On the baseline, so that the mirror image touches the letters.
        p.drawText(QPointF((LarghezzaBanner - larghezza) / 2, orizzonte), parola);
    }
    // Its mirror image below the horizon, fading out towards the bottom.
    QImage riflesso(w, h, QImage::Format_ARGB32_Premultiplied);
    riflesso.setDevicePixelRatio(densita);
    riflesso.fill(Qt::transparent);
    {
        QPainter p(&riflesso);
        p.translate(0, 2 * orizzonte);
        p.scale(1, -1);
        p.drawImage(QPointF(0, 0), scritta);
        p.resetTransform();
        p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        QLinearGradient svanisce(0, orizzonte, 0, AltezzaBanner);
        svanisce.setColorAt(0, QColor(0, 0, 0, 150));
        svanisce.setColorAt(1, QColor(0, 0, 0, 0));
        p.fillRect(QRectF(0, 0, LarghezzaBanner, AltezzaBanner), svanisce);
    }

    QImage banner(w, h, QImage::Format_RGB888);  // 24 bits per pixel, no transparency
    banner.setDevicePixelRatio(densita);
    QPainter p(&banner);
    QLinearGradient fondo(0, 0, 0, AltezzaBanner);
    fondo.setColorAt(0, QColor(0xff, 0xff, 0xff));
    fondo.setColorAt(1, QColor(0xe4, 0xec, 0xf7));
    p.fillRect(QRectF(0, 0, LarghezzaBanner, AltezzaBanner), fondo);
    p.drawImage(QPointF(0, 0), riflesso);
    p.drawImage(QPointF(0, 0), scritta);
    p.end();
    return QPixmap::fromImage(banner);
}
