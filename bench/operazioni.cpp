#include "bench/operazioni.h"

#include "bench/pavimento.h"
#include "clients/frmAnagrafiche.h"
#include "clients/frmRicerca.h"
#include "clients/identificazione.h"
#include "export/csv.h"
#include "export/frmSelDate.h"
#include "ledger/frmAnticipi.h"
#include "store/archivio.h"
#include "store/engines/motore.h"
#include "store/valorinonvalidi.h"
#include "tests/support/ambiente.h"
#include "values/costanti.h"
#include "widgets/reportcontrol.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

namespace {
QString sqlPeriodo(qint64 codice, const QDate &dal, const QDate &al)
{
    return QStringLiteral("SELECT * FROM ANTICIPI WHERE CODICEANA=") + QString::number(codice) +
           QStringLiteral(" AND DATAOP>=#") + DataSql(dal) + QStringLiteral("# AND DATAOP<=#") + DataSql(al) +
           QStringLiteral("# ORDER BY DATAOP");
}
QString sqlPrecedente(qint64 codice, const QDate &dal)
{
    return QStringLiteral("SELECT * FROM ANTICIPI WHERE CODICEANA=") + QString::number(codice) +
           QStringLiteral(" AND DATAOP<#") + DataSql(dal) + QStringLiteral("#  ORDER BY DATAOP");
}
// A client's newest row, asked for as the program asks the engine.
QString primaRiga(const QString &sql) { return Archivio::ConnArchivio().MotoreAperto().PrimaRiga(sql); }
} // namespace

void Operazioni::primoSchermo(qint64 codice, const QDate &dal, const QDate &al)
{
    // The checks of values of another kind (where the engine types each value), the totals from the
    // index and the first page of rows: what the program reads before the window answers.
    const QString c = QString::number(codice);
    if (Archivio::ConnArchivio().MotoreAperto().TipiPerValore())
        for (const QString &controllo : frmAnticipi::IstruzioniValoriCliente(c))
            m_pav.Righe(controllo);
    m_pav.Righe(frmAnticipi::IstruzioneTotali(c, dal, al));
    m_pav.Righe(frmAnticipi::IstruzionePagina(c, dal, al, QDate(), 0, frmAnticipi::PrimaPagina));
}

void Operazioni::Completa()
{
    if (m_w)
        m_w->CompletaRiempimento();
}

Operazioni::Operazioni(const ArchivioGenerato &gen, Pavimento &pav, const QString &cartellaFile)
    : m_gen(gen), m_pav(pav), m_cartella(cartellaFile)
{
    m_w = frmAnticipi::Istanza();
    m_w->show();
    QApplication::processEvents();
}

void Operazioni::Chiudi()
{
    if (m_w) {
        // Emptied first, as Annulla leaves it: closing a window that shows a client asks to save.
        m_w->PulisciCampi(false);
        m_w->close();
    }
    QApplication::processEvents();
    Archivio::Rilascia();
}

void Operazioni::mostraPesante()
{
    m_w->PulisciCampi(false);
    m_w->txtCF->setText(m_gen.codiceFiscalePesante);
    m_w->txtCF_LostFocus();
}

void Operazioni::pesanteMostrato()
{
    if (m_w->ClienteCorrente().codiceAna != QLatin1String("1")) {
        mostraPesante();
        Completa();
    }
}

QVector<Misura> Operazioni::Tutte()
{
    const int anno = QDate::currentDate().year();
    const QDate dal(anno, 1, 1), al(anno, 12, 31);
    QVector<Misura> v;

    v.append({QStringLiteral("identifica per codice fiscale e mostra"),
              [this] {
                  mostraPesante();
                  return qint64(m_w->ReportAttivita->NumeroRighe());
              },
              [this, dal, al] {
                  m_pav.Righe(primaRiga(QStringLiteral("SELECT * FROM ANTICIPI WHERE codicefiscale=") +
                                        SqlTesto(m_gen.codiceFiscalePesante) + QStringLiteral(" ORDER BY ID DESC")),
                              true);
                  primoSchermo(1, dal, al);
              },
              [this, dal, al] {
                  m_pav.Righe(primaRiga(QStringLiteral("SELECT * FROM ANTICIPI WHERE codicefiscale=") +
                                        SqlTesto(m_gen.codiceFiscalePesante) + QStringLiteral(" ORDER BY ID DESC")),
                              true);
                  m_pav.Righe(sqlPrecedente(1, dal));
                  m_pav.Righe(sqlPeriodo(1, dal, al));
              }});

    // The plain statements of the two refreshes of a period change: the balance before and the rows.
    const auto semplicePeriodo = [this, anno, dal, al] {
        m_pav.Righe(sqlPrecedente(1, QDate(anno, 7, 1)));
        m_pav.Righe(sqlPeriodo(1, QDate(anno, 7, 1), al));
        m_pav.Righe(sqlPrecedente(1, dal));
        m_pav.Righe(sqlPeriodo(1, dal, al));
    };
    v.append({QStringLiteral("cambio del periodo"),
              [this, anno] {
                  // From the second half of the year back to the whole year: two refreshes per run,
                  // so both are timed and the table's rows are those of the second.
                  m_w->DTPFIltro[0]->setDate(QDate(anno, 7, 1));
                  m_w->DTPFIltro[0]->setDate(QDate(anno, 1, 1));
                  return qint64(m_w->ReportAttivita->NumeroRighe());
              },
              [this, anno, dal, al] {
                  primoSchermo(1, QDate(anno, 7, 1), al);
                  primoSchermo(1, dal, al);
              },
              semplicePeriodo, [this] { pesanteMostrato(); }});

    // The same two refreshes, each waited on until its last row is in the list.
    v.append({QStringLiteral("cambio del periodo fino all'ultima riga"),
              [this, anno] {
                  for (const QDate &d : {QDate(anno, 7, 1), QDate(anno, 1, 1)}) {
                      m_w->DTPFIltro[0]->setDate(d);
                      while (m_w->RiempimentoInCorso())
                          QCoreApplication::processEvents();
                  }
                  return qint64(m_w->ReportAttivita->NumeroRighe());
              },
              semplicePeriodo, {}, [this] { pesanteMostrato(); }});

    v.append({QStringLiteral("carica un movimento col clic"),
              [this] {
                  m_w->ReportAttivita->ImpostaRigaFocalizzata(m_w->ReportAttivita->NumeroRighe() / 2);
                  m_w->ReportAttivita_MouseUp(1, 0, 0, 0);
                  return qint64(1);
              },
              [this] {
                  const QString id = m_w->ReportAttivita->ValoreItem(m_w->ReportAttivita->NumeroRighe() / 2, 5).toString();
                  m_pav.Righe(QStringLiteral("select * from ANTICIPI WHERE ID=") + id);
              },
              {},
              [this] { pesanteMostrato(); }});

    // The heavy client's current master data, which a save writes into its row.
    const auto anagraficaPesante = [this] {
        m_pav.Righe(primaRiga(QStringLiteral("SELECT RAGIONESOCIALE, CODICEFISCALE, PARTITAIVA FROM ANTICIPI "
                                             "WHERE CODICEANA=1 ORDER BY ID DESC")),
                    true);
    };
    // The save's own statements, before its refresh: the row, the client's master data and the update.
    const auto salvaPavimento = [this, anagraficaPesante] {
        const QString id = m_w->ReportAttivita->ValoreItem(m_w->ReportAttivita->NumeroRighe() / 2, 5).toString();
        m_pav.Righe(QStringLiteral("SELECT * FROM ANTICIPI WHERE ID=") + id);
        anagraficaPesante();
        m_pav.Scrivi(QStringLiteral("UPDATE ANTICIPI SET DESCRIZIONE='Marca da bollo' WHERE ID=") + id);
    };
    v.append({QStringLiteral("salva un movimento (con il rinfresco)"),
              [this] {
                  m_w->ReportAttivita->ImpostaRigaFocalizzata(m_w->ReportAttivita->NumeroRighe() / 2);
                  m_w->ReportAttivita_MouseUp(1, 0, 0, 0);
                  m_w->txtDescrizione->setPlainText(QStringLiteral("Marca da bollo"));
                  m_w->Comando_Salva();
                  return qint64(m_w->ReportAttivita->NumeroRighe());
              },
              [this, salvaPavimento, dal, al] {
                  salvaPavimento();
                  primoSchermo(1, dal, al);
              },
              [this, salvaPavimento, dal, al] {
                  salvaPavimento();
                  m_pav.Righe(sqlPrecedente(1, dal));
                  m_pav.Righe(sqlPeriodo(1, dal, al));
              },
              [this] { pesanteMostrato(); }});

    // A new movement of the heavy client, the clerk's commonest step: the rows the rounds added are
    // removed and the client shown again before each, outside the time, and after the last. The floor:
    // the look for the row (none), the client's current master data, the insert with its triggers,
    // the first screen.
    const QString descrizioneNuovo = QStringLiteral("Movimento nuovo del banco");
    const auto togliNuovi = [this, descrizioneNuovo] {
        m_pav.Scrivi(QStringLiteral("DELETE FROM ANTICIPI WHERE DESCRIZIONE=") + SqlTesto(descrizioneNuovo));
        mostraPesante();
        Completa();
    };
    const auto nuovoPavimento = [this, anagraficaPesante, descrizioneNuovo] {
        m_pav.Righe(QStringLiteral("SELECT * FROM ANTICIPI WHERE ID=0"));
        anagraficaPesante();
        m_pav.Scrivi(QStringLiteral("INSERT INTO ANTICIPI (DATAOP, DESCRIZIONE, ENTRATA, USCITA, RAGIONESOCIALE, "
                                    "CODICEFISCALE, PARTITAIVA, CODICEANA) VALUES (") +
                     SqlTesto(QDate::currentDate().toString(Qt::ISODate)) + QStringLiteral(", ") +
                     SqlTesto(descrizioneNuovo) + QStringLiteral(", 0, 125000, ") +
                     SqlTesto(m_w->txtDenominazione->text()) + QStringLiteral(", ") + SqlTesto(m_w->txtCF->text()) +
                     QStringLiteral(", ") + SqlTesto(m_w->txtPiva->text()) + QStringLiteral(", 1)"));
    };
    v.append({QStringLiteral("salva un movimento nuovo (con il rinfresco)"),
              [this, descrizioneNuovo] {
                  m_w->txtUscite->setText(QStringLiteral("12,50"));
                  m_w->txtDescrizione->setPlainText(descrizioneNuovo);
                  m_w->Comando_Salva();
                  return qint64(m_w->ReportAttivita->NumeroRighe());
              },
              [this, nuovoPavimento, dal, al] {
                  nuovoPavimento();
                  primoSchermo(1, dal, al);
              },
              [this, nuovoPavimento, dal, al] {
                  nuovoPavimento();
                  m_pav.Righe(sqlPrecedente(1, dal));
                  m_pav.Righe(sqlPeriodo(1, dal, al));
              },
              togliNuovi, {}, togliNuovi});

    // By name, typed in capitals (the accented letters too): found, and a new client not found; the
    // last with more spellings than the lookup lists, so the names are compared in the program.
    auto cliente = [this](const QString &nome) {
        const QString colonna = QStringLiteral("RAGIONESOCIALE");
        const QString sql = IstruzioneCliente(colonna, nome);
        if (sql.isEmpty())
            m_pav.Righe(QStringLiteral("SELECT ") + colonna + QStringLiteral(" FROM ANTICIPI GROUP BY ") + colonna);
        else
            m_pav.Righe(primaRiga(sql), true);
    };
    auto perNome = [this, cliente, dal, al](const QString &nome, qint64 codice) {
        return Misura{QString(),
                      [this, nome] {
                          m_w->PulisciCampi(false);
                          m_w->txtDenominazione->setText(nome);
                          m_w->txtDenominazione_LostFocus();
                          return qint64(m_w->ReportAttivita->NumeroRighe());
                      },
                      [this, cliente, nome, codice, dal, al] {
                          cliente(nome);
                          primoSchermo(codice, dal, al);
                      },
                      [this, cliente, nome, codice, dal, al] {
                          cliente(nome);
                          m_pav.Righe(sqlPrecedente(codice, dal));
                          m_pav.Righe(sqlPeriodo(codice, dal, al));
                      }};
    };
    v.append(perNome(m_gen.nomePesante.toUpper(), 1));
    v.last().nome = QStringLiteral("identifica per denominazione e mostra");
    v.append(perNome(QStringLiteral("SOCIETÀ NUOVA PERCHÉ MAI VISTA S.R.L."), 0));
    v.last().nome = QStringLiteral("identifica per denominazione, cliente nuovo");
    v.append(perNome(QStringLiteral("ΑΡΧΑΙΑ ΕΤΑΙΡΕΙΑ ΝΕΑ"), 0));
    v.last().nome = QStringLiteral("identifica per denominazione, nuovo, oltre 4.096 grafie");

    AggiungiAltre(v);
    return v;
}

void Operazioni::AggiungiAltre(QVector<Misura> &v)
{
    const QDate oggi = QDate::currentDate();
    const QDate primo(oggi.year() - 9, 1, 1), ultimo(oggi.year(), 12, 31);

    v.append({QStringLiteral("finestra Trova: apertura e filtro"),
              [this] {
                  frmRicerca *r = frmRicerca::Istanza(m_w);
                  r->txtCerca->setText(QStringLiteral("rossi"));
                  r->cmdTrova_Click();
                  const qint64 righe = r->ReportAttivita->NumeroRighe();
                  r->CmdEsci_Click();
                  // Closed windows go at once, so that each run opens (and loads) a new one.
                  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                  return righe;
              },
              [this] { m_pav.Righe(frmRicerca::IstruzioneClienti()); },
              [this] {
                  // Each client's newest row by grouping the whole table.
                  m_pav.Righe(QStringLiteral(
                      "SELECT A.CODICEANA, A.RAGIONESOCIALE, A.CODICEFISCALE, A.PARTITAIVA FROM ANTICIPI AS A "
                      "INNER JOIN (SELECT CODICEANA, MAX(ID) AS ULTIMO FROM ANTICIPI GROUP BY CODICEANA) AS U "
                      "ON A.ID = U.ULTIMO ORDER BY A.CODICEANA"));
              }});

    // The user types a new name over the one read, the other fields left as read: the window writes
    // that column alone. The floor writes another name back with the same statement, so that each
    // of them changes every row; after each run, outside its time, the rows that got the program's
    // name are counted.
    const QString nomeProgramma = QStringLiteral("Società Riscritta Uno S.r.l.");
    const QString nomePavimento = QStringLiteral("Società Riscritta Due S.r.l.");
    v.append({QStringLiteral("riscrittura anagrafica (1.000 righe)"),
              [this, nomeProgramma, nomePavimento] {
                  frmAnagrafiche *a = frmAnagrafiche::Istanza(m_w, m_w);
                  a->txtCodiceana->setText(QString::number(m_gen.codiceRiscrittura));
                  a->txtDenominazione->setText(nomePavimento);
                  a->txtCF->setText(QStringLiteral("RSCRTT80A01H501Z"));
                  a->txtPiva->setText(QStringLiteral("01234567890"));
                  a->txtDenominazione->selectAll();
                  a->txtDenominazione->insert(nomeProgramma);
                  a->cmdOk_Click();
                  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                  return qint64(0);
              },
              [this, nomePavimento] {
                  m_pav.Scrivi(Archivio::IstruzioneAnagrafica(m_gen.codiceRiscrittura,
                                                              {{QStringLiteral("RAGIONESOCIALE"), nomePavimento}}));
              },
              {},
              // The ledger showing another client, which does not follow the rewrite: a ledger
              // showing none would load the rewritten client, another operation.
              [this] { pesanteMostrato(); },
              [this, nomeProgramma] {
                  return ValoreSql(QStringLiteral("SELECT COUNT(*) FROM ANTICIPI WHERE CODICEANA=") +
                                   QString::number(m_gen.codiceRiscrittura) +
                                   QStringLiteral(" AND RAGIONESOCIALE=") + SqlTesto(nomeProgramma))
                      .toLongLong();
              }});

    auto esporta = [this](const QString &caso, const QDate &dal, const QDate &al, const QString &nome) {
        frmSelDate *f = frmSelDate::Istanza(m_w);
        f->txtCaso->setText(caso);
        f->DtpData[0]->setDate(dal);
        f->DtpData[1]->setDate(al);
        const QString file = QDir(m_cartella).filePath(nome);
        Ambiente::corrente().messaggi.file << file;
        f->cmdOk_Click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return qint64(0);
    };
    // The lines of the file the program wrote, but its header: counted outside the time.
    auto righeFile = [this](const QString &nome) {
        return [file = QDir(m_cartella).filePath(nome)] {
            qint64 righe = 0;
            QFile letto(file);
            if (letto.open(QIODevice::ReadOnly)) {
                while (!letto.atEnd()) {
                    letto.readLine();
                    ++righe;
                }
            }
            return righe - 1;
        };
    };

    v.append({QStringLiteral("esportazione saldi a oggi"),
              [esporta, oggi] { return esporta(QStringLiteral("1"), oggi, oggi, QStringLiteral("Anticipazioni.csv")); },
              [this, oggi] {
                  // On SQLite the program first looks for values another program wrote there.
                  if (Archivio::ConnArchivio().MotoreAperto().TipiPerValore()) {
                      m_pav.Righe(IstruzioneDateNonValide(11));
                      m_pav.Righe(IstruzioneImportiNonValidi(oggi, 11));
                  }
                  m_pav.Csv(Csv::QuerySaldi(oggi),
                            QDir(m_cartella).filePath(QStringLiteral("pavimento-saldi.csv")), true);
              },
              [this, oggi] {
                  m_pav.Csv(Csv::QuerySaldi(oggi),
                            QDir(m_cartella).filePath(QStringLiteral("semplice-saldi.csv")), true);
              },
              {},
              righeFile(QStringLiteral("Anticipazioni.csv"))});

    v.append({QStringLiteral("esportazione movimenti di dieci anni"),
              [esporta, primo, ultimo] {
                  return esporta(QStringLiteral("0"), primo, ultimo, QStringLiteral("Export.csv"));
              },
              [this, primo, ultimo] {
                  // The program checks the days (on SQLite) and reads the ends its progress bar is
                  // measured between first: the same statements.
                  if (Archivio::ConnArchivio().MotoreAperto().TipiPerValore())
                      m_pav.Righe(IstruzioneDateNonValide(11));
                  m_pav.Righe(Csv::QueryEstremi(primo, ultimo));
                  m_pav.Csv(Csv::QueryMovimenti(primo, ultimo),
                            QDir(m_cartella).filePath(QStringLiteral("pavimento-movimenti.csv")), false);
              },
              [this, primo, ultimo] {
                  m_pav.Csv(Csv::QueryMovimenti(primo, ultimo),
                            QDir(m_cartella).filePath(QStringLiteral("semplice-movimenti.csv")), false);
              },
              {},
              righeFile(QStringLiteral("Export.csv"))});
}
