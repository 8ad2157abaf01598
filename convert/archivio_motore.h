#pragma once
// An archive of this program, on whichever engine holds it, as the source and as the target of a
// copy. Both speak to the archive only through its engine (Motore), so an archive on another engine
// needs no code of its own here.

#include "convert/copia.h"

#include <QVariantList>

class FlussoRighe;
class Motore;

// Reads the rows of an archive in ID order; it never writes.
class SorgenteArchivio : public SorgenteCopia {
public:
    // `motore` must outlive the source.
    explicit SorgenteArchivio(Motore &motore);
    ~SorgenteArchivio() override;

    qint64 RigheAttese() const override;
    bool Leggi(RigaAnticipi &riga) override;

private:
    struct Dati;
    std::unique_ptr<Dati> d;
};

// Fills an archive whose table is empty: every row in one transaction with its own ID (through the
// engine's stream of rows where it has one, a server's COPY), then the indexes, then the commit.
// Scarta() leaves the table empty again.
class DestinazioneArchivio : public DestinazioneCopia {
public:
    // `motore` must outlive the target.
    explicit DestinazioneArchivio(Motore &motore);
    ~DestinazioneArchivio() override;

    void Inizia() override;
    void Scrivi(const RigaAnticipi &riga) override;
    void CambiaId(qint64 vecchio, qint64 nuovo) override;
    void CambiaCodice(qint64 vecchio, qint64 nuovo) override;
    void Completa() override;
    void Rileggi(const std::function<void(qint64, qint64, qint64, qint64)> &f) override;
    void Scarta() override;

private:
    Motore &m_motore;
    bool m_aperta = false;      // inside its transaction
    bool m_confermata = false;  // its rows committed
    QVariantList m_valori;  // reused for every row
    std::unique_ptr<FlussoRighe> m_flusso;  // open from Inizia to Completa, on an engine that has one
};
