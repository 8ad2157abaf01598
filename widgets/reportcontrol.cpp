#include "widgets/reportcontrol.h"

#include "values/confronto.h"
#include "values/costanti.h"

#include <QCollator>
#include <QDate>
#include <QFont>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStringMatcher>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// Sort keys and widths by text for the whole process: a list opened again (the search window, for
// one) shows the same names, and each is keyed or measured once. Dropped when they grow past a
// bound, the widths also when the list's font changes.
constexpr int MassimoTestiRicordati = 50000;
struct LarghezzeTesti {
    QFont font;
    QHash<QString, int> larghezze;
};
LarghezzeTesti &larghezzeTesti()
{
    static LarghezzeTesti l;
    return l;
}
QHash<QString, QCollatorSortKey> &chiaviTesti()
{
    static QHash<QString, QCollatorSortKey> c;
    return c;
}
// The last list sorted from a table of texts, with its keys and order: a list opened again over the
// same texts (the search window, as a rule) takes them from here instead of looking up each text's
// key and sorting again. Held implicitly shared, so keeping it copies nothing.
struct UltimoOrdinamento {
    TabellaTesti tabella;
    QVector<int> items;
    QVector<QCollatorSortKey> chiavi;
    QVector<int> ordine;
};
UltimoOrdinamento &ultimoOrdinamento()
{
    static UltimoOrdinamento u;
    return u;
}

// The list's widths are in its own units; this keeps "dd/MM/yyyy" readable at the usual font size.
constexpr double FattoreLarghezza = 1.3;

// The text of an item that holds one (most do), read in place: a populate reads every item of a
// long list, and converting each into a new QString is what that costs.
const QString *testoInPosto(const QVariant &v)
{
    return v.metaType().id() == QMetaType::QString ? static_cast<const QString *>(v.constData()) : nullptr;
}

// An item of a record, a null where the record has no such item.
const QVariant &itemDi(const QVector<QVariant> &record, int item)
{
    static const QVariant nessuno;
    return item >= 0 && item < record.size() ? record.at(item) : nessuno;
}
} // namespace

// ---------------------------------------------------------------------------------------------

ReportControl::ReportControl(QWidget *parent) : QWidget(parent)
{
    m_modello = new ModelloReport(this);
    m_vista = new VistaReport(this);
    m_vista->setObjectName(QStringLiteral("vista"));
    m_vista->setRootIsDecorated(false);
    m_vista->setItemsExpandable(false);
    m_vista->setUniformRowHeights(true);
    m_vista->setAlternatingRowColors(true);
    m_vista->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_vista->setSelectionMode(QAbstractItemView::SingleSelection);
    m_vista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_vista->setAllColumnsShowFocus(true);
    m_vista->setModel(m_modello);
    m_vista->header()->setStretchLastSection(false);
    m_vista->viewport()->installEventFilter(this);
    m_vista->header()->setSectionsMovable(false);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_vista);
    setFocusProxy(m_vista);

    connect(m_vista, &VistaReport::rilascioMouse, this, &ReportControl::MouseUp);
    connect(m_vista, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex &i) { Q_EMIT EventoRiga(i.row(), i.column()); });
    connect(m_vista, &VistaReport::sceltaRiga, this, [this] {
        const QModelIndex i = m_vista->currentIndex();
        Q_EMIT EventoRiga(i.row(), i.column());
    });
}

ReportControl::~ReportControl()
{
    // The view and its model read this object's columns and records: they go first, before those
    // members are gone. Left to QWidget's destructor, a list closed while shown would read freed
    // memory as its header hides.
    delete m_vista;
    delete m_modello;
}

void ReportControl::CancellaColonne()
{
    m_modello->inizio();
    m_colonne.clear();
    m_ordinamento.clear();
    scartaMisure(0);
    m_modello->fine();
}

int ReportControl::AggiungiColonna(int indiceItem, const QString &caption, int larghezza, bool ridimensionabile)
{
    ColonnaReport c;
    c.indiceItem = indiceItem;
    c.caption = caption;
    c.larghezza = larghezza;
    c.ridimensionabile = ridimensionabile;
    m_modello->inizio();
    m_colonne.append(c);
    scartaMisure(0);
    m_modello->fine();
    applicaColonne();
    return m_colonne.size() - 1;
}

void ReportControl::ImpostaColonnaVisibile(int posizione, bool visibile)
{
    m_colonne[posizione].visibile = visibile;
    applicaColonne();
}

void ReportControl::ImpostaAllineamento(int posizione, Qt::Alignment allineamento)
{
    m_colonne[posizione].allineamento = allineamento;
    m_vista->viewport()->update();
}

void ReportControl::applicaColonne()
{
    QHeaderView *h = m_vista->header();
    for (int i = 0; i < m_colonne.size(); ++i) {
        const ColonnaReport &c = m_colonne.at(i);
        // A width of 0 shows nothing; a hidden column's items stay readable.
        m_vista->setColumnHidden(i, !c.visibile || c.larghezza == 0);
        h->setSectionResizeMode(i, c.ridimensionabile ? QHeaderView::Interactive : QHeaderView::Fixed);
        h->resizeSection(i, int(c.larghezza * FattoreLarghezza));
    }
    adattaColonne();
}

void ReportControl::CancellaRecord()
{
    // The displayed rows point into the records: they go with them, or a repaint during a fill
    // would read records that are no longer there.
    m_modello->inizio();
    m_righe.clear();
    m_record.clear();
    m_tabella = TabellaTesti();
    scartaMisure(0);
    m_modello->fine();
}

void ReportControl::RiservaRecord(int n) { m_record.reserve(n); }

void ReportControl::ImpostaRecordTesti(TabellaTesti tabella)
{
    // No row is shown until the next Popola, so the table can take the records' place after them.
    CancellaRecord();
    m_tabella = std::move(tabella);
}

void ReportControl::sciogliTabella()
{
    if (m_tabella.Vuota())
        return;
    // The same records in the same order: the displayed rows and the sort keys stay valid.
    const int n = m_tabella.NumeroRecord(), items = m_tabella.NumeroItem();
    m_record.reserve(n);
    for (int r = 0; r < n; ++r) {
        QVector<QVariant> record;
        record.reserve(items);
        for (int i = 0; i < items; ++i)
            record.append(m_tabella.Copia(r, i));
        m_record.append(std::move(record));
    }
    m_tabella = TabellaTesti();
}

QStringView ReportControl::testoItem(int record, int item, QString &appoggio) const
{
    if (!m_tabella.Vuota())
        return item >= 0 && item < m_tabella.NumeroItem() ? m_tabella.Testo(record, item) : QStringView();
    const QVariant &valore = itemDi(m_record.at(record), item);
    if (const QString *inPosto = testoInPosto(valore))
        return *inPosto;
    appoggio = TestoValore(valore);
    return appoggio;
}

int ReportControl::AggiungiRecord()
{
    sciogliTabella();
    m_record.append(QVector<QVariant>());
    return m_record.size() - 1;
}

void ReportControl::AggiungiItem(int record, const QVariant &valore)
{
    sciogliTabella();
    m_record[record].append(valore);
    scartaMisure(record);
}

void ReportControl::scartaMisure(int dalRecord)
{
    m_ordinati.clear();
    const qsizetype chiavi = qsizetype(dalRecord) * m_ordinamento.size();
    if (m_chiavi.size() > chiavi)
        m_chiavi.erase(m_chiavi.begin() + chiavi, m_chiavi.end());
}

void ReportControl::AggiungiRecord(QVector<QVariant> items)
{
    sciogliTabella();
    m_record.append(std::move(items));
}

void ReportControl::AccodaRecord(QVector<QVector<QVariant>> record)
{
    if (record.isEmpty())
        return;
    sciogliTabella();
    if (!m_ordinamento.isEmpty() || !m_filtro.isEmpty() || m_righe.size() != m_record.size()) {
        for (auto &r : record)
            m_record.append(std::move(r));
        Popola();
        return;
    }
    const int primo = m_record.size();
    m_modello->inizioAggiunta(primo, primo + record.size() - 1);
    for (auto &r : record) {
        m_righe.append(m_record.size());
        m_record.append(std::move(r));
    }
    m_modello->fineAggiunta();
    // The widths fit the first rows of the whole list, not only those of its first step.
    if (primo < RigheMisurate)
        adattaColonne();
}

void ReportControl::AggiungiOrdinamento(int posizioneColonna)
{
    m_ordinamento.append(posizioneColonna);
    m_chiavi.clear();
    m_ordinati.clear();
}

void ReportControl::CancellaOrdinamento()
{
    m_ordinamento.clear();
    m_chiavi.clear();
    m_ordinati.clear();
}

void ReportControl::ImpostaTestoVuoto(const QString &testo)
{
    m_vista->testoVuoto = testo;
    m_vista->viewport()->update();
}

QString ReportControl::TestoValore(const QVariant &v)
{
    if (v.metaType().id() == QMetaType::QDate)
        return TestoData(v.toDate());
    return v.toString();
}

namespace {
// A text looked up in a cache by text without a copy of it; only what is inserted is copied.
QString TestoInPrestito(QStringView testo)
{
    return QString::fromRawData(reinterpret_cast<const QChar *>(testo.data()), testo.size());
}
} // namespace

void ReportControl::Popola()
{
    m_modello->inizio();
    m_righe.clear();
    const int totale = NumeroRecord();
    if (!m_ordinamento.isEmpty() && m_ordinati.size() == totale) {
        m_righe = m_ordinati;  // nothing added or changed since the last sort
    } else {
        m_righe.reserve(totale);
        for (int i = 0; i < totale; ++i)
            m_righe.append(i);
    }

    QString appoggio;
    if (!m_ordinamento.isEmpty() && m_ordinati.size() != totale) {
        // The Italian collation ignoring case, the one of the balances file too, so that "Édile"
        // sorts among the E's; keys once per record (kept for the next populate: a filter typed
        // sorts again), then a stable sort: names that compare equal keep their order.
        const QCollator &collator = Confronto::Collatore();
        QHash<QString, QCollatorSortKey> &ricordate = chiaviTesti();
        if (ricordate.size() > MassimoTestiRicordati)
            ricordate.clear();
        const int n = m_ordinamento.size();
        QVector<int> items;
        for (int col : std::as_const(m_ordinamento))
            items.append(m_colonne.value(col).indiceItem);
        UltimoOrdinamento &ultimo = ultimoOrdinamento();
        if (!m_tabella.Vuota() && m_chiavi.isEmpty() && stessiTesti(ultimo.tabella, ultimo.items, items)) {
            m_chiavi = ultimo.chiavi;
            m_righe = m_ordinati = ultimo.ordine;
        } else {
            m_chiavi.reserve(qsizetype(totale) * n);
            for (int r = int(m_chiavi.size() / n); r < totale; ++r) {
                for (int item : std::as_const(items)) {
                    const QString testo = TestoInPrestito(testoItem(r, item, appoggio));
                    auto chiave = ricordate.constFind(testo);
                    if (chiave == ricordate.cend())
                        chiave = ricordate.insert(QString(testo.constData(), testo.size()),
                                                  collator.sortKey(testo));
                    m_chiavi.append(*chiave);
                }
            }
            // One flat array of keys, record after record: the sort reads them in place.
            const QCollatorSortKey *chiavi = m_chiavi.constData();
            std::stable_sort(m_righe.begin(), m_righe.end(), [chiavi, n](int a, int b) {
                const QCollatorSortKey *ka = chiavi + qsizetype(a) * n, *kb = chiavi + qsizetype(b) * n;
                for (int k = 0; k < n; ++k) {
                    const int c = ka[k].compare(kb[k]);
                    if (c != 0)
                        return c < 0;
                }
                return false;
            });
            m_ordinati = m_righe;
            if (!m_tabella.Vuota())
                ultimo = {m_tabella, items, m_chiavi, m_ordinati};
        }
    }

    if (!m_filtro.isEmpty()) {
        // The records are matched in the order they were added, which is the order they lie in
        // memory; then the rows keep the sorted order.
        const QStringMatcher cercato(m_filtro, Qt::CaseInsensitive);
        QVector<int> items;
        for (const ColonnaReport &c : std::as_const(m_colonne))
            if (c.visibile)
                items.append(c.indiceItem);
        QVector<bool> trovato(totale, false);
        for (int r = 0; r < totale; ++r) {
            for (int item : std::as_const(items)) {
                if (cercato.indexIn(testoItem(r, item, appoggio)) >= 0) {
                    trovato[r] = true;
                    break;
                }
            }
        }
        QVector<int> visibili;
        for (int r : std::as_const(m_righe))
            if (trovato.at(r))
                visibili.append(r);
        m_righe = std::move(visibili);
    }
    m_modello->fine();
    adattaColonne();
}

bool ReportControl::stessiTesti(const TabellaTesti &altra, const QVector<int> &itemsAltra,
                                const QVector<int> &items) const
{
    if (itemsAltra != items || altra.NumeroRecord() != m_tabella.NumeroRecord())
        return false;
    for (int item : items)
        if (item < 0 || item >= m_tabella.NumeroItem() || item >= altra.NumeroItem())
            return false;
    for (int r = 0; r < m_tabella.NumeroRecord(); ++r)
        for (int item : items)
            if (m_tabella.Testo(r, item) != altra.Testo(r, item))
                return false;
    return true;
}

void ReportControl::adattaColonne()
{
    QHeaderView *h = m_vista->header();
    const QFontMetrics fm(m_vista->font());
    const QFontMetrics fmTitolo(h->font());
    const int margine = 2 * m_vista->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_vista) + 12;
    const int righeMisurate = std::min(int(m_righe.size()), RigheMisurate);
    LarghezzeTesti &misurate = larghezzeTesti();
    if (misurate.font != m_vista->font() || misurate.larghezze.size() > MassimoTestiRicordati) {
        misurate.larghezze.clear();
        misurate.font = m_vista->font();
    }
    // Each text measured once (shaping it is what costs).
    const auto larghezzaTesto = [&](QStringView inPosto) {
        const QString testo = TestoInPrestito(inPosto);
        auto l = misurate.larghezze.constFind(testo);
        if (l == misurate.larghezze.cend())
            l = misurate.larghezze.insert(QString(testo.constData(), testo.size()),
                                          fm.horizontalAdvance(testo));
        return *l;
    };
    QString appoggio;
    m_larghezzeAdatte.fill(0, m_colonne.size());
    for (int i = 0; i < m_colonne.size(); ++i) {
        const ColonnaReport &c = m_colonne.at(i);
        const int base = int(c.larghezza * FattoreLarghezza);
        if (!c.visibile || c.larghezza == 0 || !c.ridimensionabile) {
            m_larghezzeAdatte[i] = base;
            continue;
        }
        int contenuto = fmTitolo.horizontalAdvance(c.caption) + margine + 16;  // room for the sort mark
        for (int r = 0; r < righeMisurate; ++r) {
            const QStringView testo = testoItem(m_righe.at(r), c.indiceItem, appoggio);
            contenuto = std::max(contenuto, larghezzaTesto(testo) + margine);
        }
        // Never narrower than the column was made, never so wide that one long text hides the rest.
        m_larghezzeAdatte[i] = std::clamp(contenuto, base, std::max(base, 3 * base));
    }
    distribuisciLarghezza();
}

void ReportControl::distribuisciLarghezza()
{
    if (m_larghezzeAdatte.size() != m_colonne.size())
        return;
    QHeaderView *h = m_vista->header();
    int totale = 0, ultimaTesto = -1;
    for (int i = 0; i < m_colonne.size(); ++i) {
        const ColonnaReport &c = m_colonne.at(i);
        if (m_vista->isColumnHidden(i))
            continue;
        totale += m_larghezzeAdatte.at(i);
        if (c.ridimensionabile && (c.allineamento & Qt::AlignLeft))
            ultimaTesto = i;
    }
    // What a wider (maximised) window leaves over goes to the last text column.
    const int avanzo = std::max(0, m_vista->viewport()->width() - totale);
    for (int i = 0; i < m_colonne.size(); ++i)
        if (!m_vista->isColumnHidden(i))
            h->resizeSection(i, m_larghezzeAdatte.at(i) + (i == ultimaTesto ? avanzo : 0));
}

bool ReportControl::eventFilter(QObject *obj, QEvent *ev)
{
    if (obj == m_vista->viewport() && ev->type() == QEvent::Resize)
        distribuisciLarghezza();
    return QWidget::eventFilter(obj, ev);
}

void ReportControl::Ridisegna() { m_vista->viewport()->update(); }

int ReportControl::RigaFocalizzata() const
{
    const QModelIndex i = m_vista->currentIndex();
    return i.isValid() ? i.row() : -1;
}

void ReportControl::ImpostaRigaFocalizzata(int riga)
{
    if (riga < 0 || riga >= m_righe.size())
        m_vista->setCurrentIndex(QModelIndex());
    else
        m_vista->setCurrentIndex(m_modello->index(riga, 0));
}

QVariant ReportControl::ValoreItem(int riga, int item) const
{
    if (riga < 0 || riga >= m_righe.size())
        return QVariant();
    const int record = m_righe.at(riga);
    if (!m_tabella.Vuota())
        return item >= 0 && item < m_tabella.NumeroItem() ? QVariant(m_tabella.Copia(record, item))
                                                          : QVariant();
    return m_record.at(record).value(item);
}
