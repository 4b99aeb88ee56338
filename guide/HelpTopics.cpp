#include "guide/HelpTopics.h"

namespace velarium {

QString HelpTopic::text() const
{
    return paragraphs.join(QString::fromLatin1(kTopicParagraphBreak));
}

const HelpTopic& overviewTopic()
{
    static const HelpTopic topic{
        QStringLiteral("Uno sguardo a Velarium 2.0"),
        {
            QStringLiteral(
                "Velarium 2.0 è pensato per chi deve proteggere dati riservati di qualunque "
                "genere (testi, immagini, filmati, brani audio o altro ancora) con un metodo "
                "crittografico rapido e affidabile. Il programma codifica e decodifica file di "
                "ogni tipo con un sistema simmetrico: la chiave che rende illeggibile il file è "
                "la stessa che serve a renderlo di nuovo leggibile."),
            QStringLiteral(
                "Per criptare o decriptare un file basta selezionarlo dal disco, abbinargli una "
                "password che farà da chiave di codifica e di decodifica e fare clic sul "
                "pulsante Cripta file oppure Decripta file. Il file si può anche aprire con "
                "Velarium dal gestore dei file (Apri con) o trascinarlo sulla finestra "
                "principale: se l'archivio ha una scheda per quel file, la scheda compare già "
                "compilata, pronta per Decripta file."),
            QStringLiteral(
                "Il pulsante Apri avvia il file selezionato, prima o dopo la codifica o la "
                "decodifica, con il programma a cui quel tipo di file è associato: così si può "
                "verificare di persona che l'operazione sia riuscita. Prima di criptare o "
                "decriptare, inoltre, il programma guarda le schede dell'archivio e i primi byte "
                "del file: se il file sembra già criptato con la stessa password (criptarlo di "
                "nuovo lo riporterebbe in chiaro), o se la password non è quella della scheda del "
                "file o sembra errata, lo chiede prima di procedere, con No come risposta "
                "predefinita; rispondendo Sì l'operazione si svolge comunque. Il controllo non è "
                "una prova: un file dal contenuto casuale sembra sempre decriptato con una "
                "password errata, a meno che una scheda non lo indichi."),
            QStringLiteral(
                "Mentre la si digita, la password resta nascosta: al posto di ogni carattere "
                "compare un simbolo, perché nessuno possa leggerla alle spalle di chi scrive. "
                "Per evitare errori di battitura va inoltre ripetuta nella casella Conferma "
                "password."),
            QStringLiteral(
                "Nel campo Descrizione file si può annotare qualunque informazione utile a "
                "ritrovare in seguito la scheda del file all'interno dell'archivio."),
            QStringLiteral(
                "Le schede conservate nell'archivio possono essere quante si vuole. L'archivio "
                "può essere esportato in Microsoft Excel oppure consultato con una ricerca per "
                "descrizione; le frecce sotto la scheda mostrano la scheda precedente o quella "
                "successiva, oppure portano all'inizio o alla fine dell'archivio."),
            QStringLiteral(
                "Una procedura guidata permette di salvare una copia di sicurezza del file "
                "d'archivio e di ripristinare, quando serve, un backup salvato in precedenza."),
            QStringLiteral(
                "Il programma può essere usato anche in una rete locale, per condividere gli "
                "archivi fra più postazioni di lavoro. L'accesso a Velarium è protetto da una "
                "password scelta dall'utente."),
            QStringLiteral(
                "Velarium funziona anche da una chiavetta USB. Se lo si installa, l'installazione "
                "crea le icone per avviarlo e per disinstallarlo; ma si può anche copiare la "
                "cartella del programma su una penna USB e avviarlo da lì, senza installare "
                "nulla, eseguendo il file Velarium (Velarium.exe su Windows)."),
            QStringLiteral(
                "Velarium è dunque uno strumento al servizio della riservatezza: un file "
                "confidenziale potrà essere aperto soltanto dai suoi legittimi destinatari, "
                "cioè da chi ne conosce la password."),
        },
    };
    return topic;
}

const HelpTopic& cardsTopic()
{
    static const HelpTopic topic{
        QStringLiteral("Gestione delle schede dei file criptati"),
        {
            QStringLiteral(
                "Per aggiungere una scheda fare clic su Nuovo: le caselle di testo vengono "
                "svuotate. Indicare il percorso del file da criptare e una sua descrizione, "
                "digitare la password di criptaggio e ripeterla nella casella Conferma password, "
                "quindi premere Salva."),
            QStringLiteral(
                "Con il salvataggio la nuova scheda riceve il primo numero d'ordine libero "
                "nell'archivio; il numero compare sotto la scheda, fra le frecce."),
            QStringLiteral(
                "Attenzione: i dati digitati nelle caselle non vengono salvati da soli quando si "
                "passa a un'altra scheda o si esce dal programma. Per conservarli occorre "
                "premere sempre Salva."),
            QStringLiteral(
                "Per modificare una scheda basta mostrarla nella finestra principale, cambiarne "
                "i dati e premere Salva."),
            QStringLiteral(
                "Il pulsante Cerca apre la finestra di ricerca. La chiave di ricerca è formata "
                "da una o più parole consecutive del campo Descrizione file; l'elenco dei "
                "risultati riporta in ordine alfabetico le descrizioni dei file criptati "
                "presenti in archivio che contengono quelle parole, oppure di tutti i file "
                "criptati se il campo di ricerca è lasciato vuoto."),
            QStringLiteral(
                "Per arrivare più in fretta a una voce dell'elenco si possono scrivere alcune "
                "parole della sua descrizione e premere Trova; un doppio clic sulla voce "
                "evidenziata mostra tutti i dati della scheda nella finestra principale."),
            QStringLiteral(
                "Un altro modo di richiamare una scheda nella finestra principale sono le "
                "frecce, che mostrano la scheda precedente o quella successiva, oppure portano "
                "all'inizio o alla fine dell'archivio."),
        },
    };
    return topic;
}

} // namespace velarium
