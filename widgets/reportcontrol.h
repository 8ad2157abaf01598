#pragma once
// The report list of the ledger and search windows: records of items shown through columns bound
// to item indexes, rebuilt into displayed rows on request (populate) with a sort order and a text
// filter, with an empty-list text, a mouse-up event, a row event and a print preview.
//
// Room widgets/: what every window uses to show things: this list widget, the message service
// (messaggi.h) and the error reporter's asking half (segnalazione.h), the command icons, the links,
// banner and label of the start and about windows. It may use values/ only.

#include "widgets/tabellatesti.h"

#include <QAbstractTableModel>
#include <QCollatorSortKey>
#include <QTreeView>
#include <QVariant>
#include <QVector>
#include <QWidget>

class QPrinter;
class ReportControl;

struct ColonnaReport {
    int indiceItem = 0;
    QString caption;
    int larghezza = 0;
    bool ridimensionabile = false;
    bool visibile = true;
    Qt::Alignment allineamento = Qt::AlignLeft | Qt::AlignVCenter;
};

// The model behind the view: the displayed rows are indexes into the records, so a populate costs
// no more than one index per record.
class ModelloReport : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ModelloReport(ReportControl *report);
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void inizio() { beginResetModel(); }
    void fine() { endResetModel(); }
    void inizioAggiunta(int primo, int ultimo) { beginInsertRows(QModelIndex(), primo, ultimo); }
    void fineAggiunta() { endInsertRows(); }

private:
    ReportControl *m_report;
};

// The view: draws the empty-list text and reports the mouse-up and the row choice.
class VistaReport : public QTreeView {
    Q_OBJECT
public:
    using QTreeView::QTreeView;
    QString testoVuoto;

protected:
    void paintEvent(QPaintEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
Q_SIGNALS:
    void rilascioMouse(int pulsante, int shift, int x, int y);
    void sceltaRiga();
};

class ReportControl : public QWidget {
    Q_OBJECT
public:
    explicit ReportControl(QWidget *parent = nullptr);
    ~ReportControl() override;

    // Columns, in the order added; each shows the record item of its item index.
    void CancellaColonne();
    int AggiungiColonna(int indiceItem, const QString &caption, int larghezza, bool ridimensionabile);
    void ImpostaColonnaVisibile(int posizione, bool visibile);
    void ImpostaAllineamento(int posizione, Qt::Alignment allineamento);
    int NumeroColonne() const { return m_colonne.size(); }
    const ColonnaReport &Colonna(int posizione) const { return m_colonne.at(posizione); }

    // Records and their items, in the order added.
    void CancellaRecord();
    int AggiungiRecord();
    void AggiungiItem(int record, const QVariant &valore);
    void AggiungiRecord(QVector<QVariant> items);
    void RiservaRecord(int n);
    // Replaces the records with a table of texts: each record's items are its texts (a null item a
    // null text), as records of QString items would be, held in one buffer.
    void ImpostaRecordTesti(TabellaTesti tabella);
    // Records added to a list already shown: at its end, the focused row and the scroll position
    // kept, when it has no sort order or filter; otherwise through a new Popola.
    void AccodaRecord(QVector<QVector<QVariant>> record);
    int NumeroRecord() const { return m_tabella.Vuota() ? int(m_record.size()) : m_tabella.NumeroRecord(); }

    // Rebuilds the displayed rows from the records: sort order, then text filter.
    void Popola();
    void Ridisegna();
    void AggiungiOrdinamento(int posizioneColonna);
    void CancellaOrdinamento();
    void ImpostaFiltro(const QString &testo) { m_filtro = testo; }
    QString Filtro() const { return m_filtro; }
    void ImpostaTestoVuoto(const QString &testo);

    int NumeroRighe() const { return m_righe.size(); }
    // The focused row, -1 when none.
    int RigaFocalizzata() const;
    void ImpostaRigaFocalizzata(int riga);
    // The value of item `item` of the record shown at `riga`, exactly as added.
    QVariant ValoreItem(int riga, int item) const;
    // The text a cell shows: a date in dd/MM/yyyy, anything else as its text.
    static QString TestoValore(const QVariant &v);

    // Printing: page-header and page-footer texts, preview title, preview of the displayed rows.
    void ImpostaIntestazioneStampa(const QString &t) { m_intestazione = t; }
    void ImpostaPiePaginaStampa(const QString &t) { m_piePagina = t; }
    void ImpostaTitoloAnteprima(const QString &t) { m_titoloAnteprima = t; }
    QString IntestazioneStampa() const { return m_intestazione; }
    QString PiePaginaStampa() const { return m_piePagina; }
    QString TitoloAnteprima() const { return m_titoloAnteprima; }
    void AnteprimaStampa();
    // Draws the pages: the header text on top of each page, the displayed rows under the column
    // captions, the footer text at the bottom of each page. Returns the number of pages.
    int StampaPagine(QPrinter *printer) const;

    VistaReport *Vista() const { return m_vista; }

Q_SIGNALS:
    // A mouse button released over the list: 1 left, 2 right, 4 middle.
    void MouseUp(int pulsante, int shift, int x, int y);
    // The user chose a row (double click, or Enter on the focused row).
    void EventoRiga(int riga, int item);

protected:
    bool eventFilter(QObject *obj, QEvent *ev) override;

private:
    friend class ModelloReport;
    void applicaColonne();
    // At each fill: every resizable column as wide as its caption and texts (within bounds); then
    // what the window leaves over, at each resize too, to the last text column.
    void adattaColonne();
    // Enough rows to see what a column holds, few enough that a filter typed into a long list stays
    // immediate.
    static constexpr int RigheMisurate = 500;
    void distribuisciLarghezza();
    // What a populate would work out again, kept per record (records are only appended, or changed
    // as the last one is built): the sort keys of the order, and the records in sorted order while
    // none is added or changed. From the first record given on, they are worked out anew.
    void scartaMisure(int dalRecord);
    // The text a cell of record `record` shows, in place where the record holds it as a text,
    // otherwise made in `appoggio`.
    QStringView testoItem(int record, int item, QString &appoggio) const;
    // Records added one by one to a list read as a table: the table becomes records first.
    void sciogliTabella();
    // Whether the records, a table, hold the same texts as `altra` at `items`.
    bool stessiTesti(const TabellaTesti &altra, const QVector<int> &itemsAltra,
                     const QVector<int> &items) const;
    QVector<QCollatorSortKey> m_chiavi;  // the order's keys of each record, one after the other
    QVector<int> m_ordinati;
    QVector<int> m_larghezzeAdatte;
    QVector<ColonnaReport> m_colonne;
    QVector<QVector<QVariant>> m_record;
    TabellaTesti m_tabella;  // the records instead of m_record, when a table was given
    QVector<int> m_righe;
    QVector<int> m_ordinamento;
    QString m_filtro;
    QString m_intestazione, m_piePagina, m_titoloAnteprima;
    ModelloReport *m_modello;
    VistaReport *m_vista;
};
