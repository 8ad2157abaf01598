#include "widgets/incolla.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>

namespace {

class FiltroIncolla : public QObject {
public:
    FiltroIncolla(QLineEdit *campo, std::function<QString(const QString &)> regola)
        : QObject(campo), m_campo(campo), m_regola(std::move(regola))
    {
    }

    bool eventFilter(QObject *, QEvent *ev) override
    {
        if (m_campo->isReadOnly())
            return false;
        switch (ev->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent *>(ev)->matches(QKeySequence::Paste)) {
                incolla(QApplication::clipboard()->text(QClipboard::Clipboard));
                return true;
            }
            break;
        case QEvent::MouseButtonRelease:
            // X11's selection paste with the middle button.
            if (static_cast<QMouseEvent *>(ev)->button() == Qt::MiddleButton &&
                QApplication::clipboard()->supportsSelection()) {
                m_campo->setCursorPosition(m_campo->cursorPositionAt(static_cast<QMouseEvent *>(ev)->position().toPoint()));
                incolla(QApplication::clipboard()->text(QClipboard::Selection));
                return true;
            }
            break;
        case QEvent::Drop: {
            auto *d = static_cast<QDropEvent *>(ev);
            if (!d->mimeData()->hasText() || d->source() == m_campo)
                break;
            m_campo->setCursorPosition(m_campo->cursorPositionAt(d->position().toPoint()));
            incolla(d->mimeData()->text());
            d->acceptProposedAction();
            return true;
        }
        case QEvent::ContextMenu: {
            QPointer<QMenu> menu = m_campo->createStandardContextMenu();
            for (QAction *a : menu->actions()) {
                if (a->objectName() != QLatin1String("edit-paste"))
                    continue;
                a->disconnect();
                connect(a, &QAction::triggered, this,
                        [this] { incolla(QApplication::clipboard()->text(QClipboard::Clipboard)); });
            }
            menu->exec(static_cast<QContextMenuEvent *>(ev)->globalPos());
            delete menu;
            return true;
        }
        default:
            break;
        }
        return false;
    }

private:
    void incolla(const QString &testo)
    {
        const QString t = m_regola(testo);
        if (!t.isEmpty())
            m_campo->insert(t);  // an edit, as typing is: textEdited follows
    }

    QLineEdit *m_campo;
    std::function<QString(const QString &)> m_regola;
};

} // namespace

void RegolaIncolla(QLineEdit *campo, std::function<QString(const QString &)> regola)
{
    campo->installEventFilter(new FiltroIncolla(campo, std::move(regola)));
}

QString IncollaSenzaSpazi(const QString &testo) { return testo.trimmed(); }
