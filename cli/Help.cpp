#include "cli/Help.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

namespace velarium::cli {
namespace {

constexpr std::string_view kCipherDetails =
    "La password è la prima riga dello standard input, usata così com'è (spazi\n"
    "compresi); da un terminale viene chiesta due volte senza mostrarla. Per criptare\n"
    "deve poter stare in una scheda: al massimo 250 caratteri, senza spazi iniziali\n"
    "o finali.\n"
    "Ogni file viene prima elaborato in una copia nella cartella del programma, poi\n"
    "messo al posto dell'originale in un solo passo: in ogni istante il file è intero,\n"
    "originale o elaborato. Un file di sola lettura è rifiutato; i permessi restano.\n"
    "Al primo errore il comando si ferma: i file già elaborati sono elencati sullo\n"
    "standard output, quello non riuscito e quelli non elaborati sullo standard\n"
    "error. Un file indicato due volte è rifiutato prima di iniziare.\n"
    "Criptare e decriptare sono la stessa trasformazione, e il file criptato non\n"
    "porta alcun segno della password. Prima di ogni file, quindi, un controllo\n"
    "guarda le schede dell'archivio e i primi 64 KiB del file, prima e dopo la\n"
    "chiave: un file che sembra già criptato con la stessa password (criptarlo di\n"
    "nuovo lo riporterebbe in chiaro), una password diversa da quella delle schede\n"
    "del file, o una che lo lascerebbe illeggibile, fermano il comando con il suo\n"
    "motivo. Con --force il comando prosegue comunque. Il controllo non è una\n"
    "prova: un file dal contenuto casuale (un contenitore cifrato di altri\n"
    "programmi) sembra sempre decriptato con una password errata.\n"
    "Quando lo standard error è un terminale, una riga riscritta sul posto mostra\n"
    "l'avanzamento (percentuale, byte, velocità, tempo rimanente e, per più file, il\n"
    "numero del file); --quiet la toglie. Ctrl-C ferma il comando lasciando il file\n"
    "com'era.\n"
    "Con --key-bits 40 la chiave è quella a 40 bit del provider di crittografia di\n"
    "base di Windows, il predefinito di Windows 95, 98, ME, NT 4 e 2000 senza il\n"
    "pacchetto di crittografia avanzata: i file criptati su quei sistemi si\n"
    "decriptano soltanto così. La chiave predefinita è quella a 128 bit\n"
    "(--key-bits 128) dei sistemi successivi e della finestra principale.\n";

constexpr std::string_view kExportDetails =
    "Scrive numero, descrizione, password e percorso di ogni scheda, sotto una riga\n"
    "di titoli. FILE, se esiste già, viene sostituito; l'archivio e gli altri file\n"
    "del programma non possono essere la destinazione.\n";

constexpr std::array kCommands{
    CommandHelp{.name = "encrypt",
                .arguments = "[--key-bits 40] [--force] [--quiet] FILE...",
                .summary = "cripta sul posto ogni FILE, con una sola password",
                .details = kCipherDetails,
                .examples =
                    "printf '%s\\n' 'la mia password' | velarium-cli encrypt documento.pdf\n"
                    "velarium-cli encrypt lettera.docx foto.jpg   # password dal terminale\n"},
    CommandHelp{.name = "decrypt",
                .arguments = "[--key-bits 40] [--force] [--quiet] FILE...",
                .summary = "decripta sul posto ogni FILE, con una sola password",
                .details = kCipherDetails,
                .examples =
                    "printf '%s\\n' 'la mia password' | velarium-cli decrypt documento.pdf\n"
                    "velarium-cli decrypt *.pdf                  # password dal terminale\n"
                    "velarium-cli decrypt --key-bits 40 vecchio.doc   # criptato su Windows 98\n"},
    CommandHelp{
        .name = "cards list",
        .arguments = "[TESTO]",
        .summary = "elenca le schede: numero, TAB, descrizione",
        .details =
            "Le schede sono quelle dell'archivio Velarium.pro, numerate da 1, una per riga.\n"
            "Con TESTO sono elencate solo le schede la cui descrizione contiene TESTO così\n"
            "com'è, spazi compresi; maiuscole e minuscole si equivalgono solo per le\n"
            "lettere A-Z.\n",
        .examples = "velarium-cli cards list\n"
                    "velarium-cli cards list fattura\n"},
    CommandHelp{.name = "cards show",
                .arguments = "N [--passwords]",
                .summary = "mostra percorso e descrizione della scheda N",
                .details = "Una riga ciascuno; con --passwords seguono la password e la conferma,\n"
                           "in chiaro.\n",
                .examples = "velarium-cli cards show 3\n"
                            "velarium-cli cards show 3 --passwords\n"},
    CommandHelp{
        .name = "cards add",
        .arguments = "--file PERCORSO --description TESTO",
        .summary = "aggiunge una scheda e ne stampa il numero",
        .details = "La scheda va in fondo all'archivio; il suo numero è l'unica riga stampata\n"
                   "sullo standard output. La password è la prima riga dello standard input e\n"
                   "vale anche come conferma; da un terminale vengono chieste password e conferma\n"
                   "senza mostrarle. Come con Salva nella finestra principale, percorso,\n"
                   "descrizione, password e conferma non possono essere vuoti, e password e\n"
                   "conferma devono coincidere. Descrizione e password sono registrate senza\n"
                   "spazi iniziali e finali; il percorso è registrato esattamente com'è, e un\n"
                   "percorso relativo è completato con la cartella corrente. Sono rifiutati: un\n"
                   "percorso che inizia o termina con uno spazio, un testo di oltre 250\n"
                   "caratteri e i caratteri estranei alla codifica dell'archivio (Windows-1252).\n",
        .examples = "printf '%s\\n' 'la mia password' |\n"
                    "    velarium-cli cards add --file documento.pdf --description 'Contratto'\n"
                    "velarium-cli cards add --file=foto.jpg --description='Vacanze 2024'\n"},
    CommandHelp{.name = "export xlsx",
                .arguments = "FILE",
                .summary = "esporta l'archivio in FILE, cartella di lavoro di Excel",
                .details = kExportDetails,
                .examples = "velarium-cli export xlsx archivio.xlsx\n"},
    CommandHelp{.name = "export docx",
                .arguments = "FILE",
                .summary = "esporta l'archivio in FILE, documento di Word",
                .details = kExportDetails,
                .examples = "velarium-cli export docx archivio.docx\n"},
    CommandHelp{.name = "export csv",
                .arguments = "FILE",
                .summary = "esporta l'archivio in FILE, valori separati da virgole",
                .details =
                    "Scrive numero, descrizione, password e percorso di ogni scheda, sotto una\n"
                    "riga di titoli, in UTF-8. FILE, se esiste già, viene sostituito; l'archivio\n"
                    "e gli altri file del programma non possono essere la destinazione.\n",
                .examples = "velarium-cli export csv archivio.csv\n"},
    CommandHelp{.name = "backup",
                .arguments = "DEST",
                .summary = "copia l'archivio nel file di backup DEST",
                .details =
                    "La copia è byte per byte. Al nome DEST si aggiunge .bka se non termina già\n"
                    "con .bka (minuscolo). Un file DEST già esistente viene sostituito solo a\n"
                    "copia completa; l'archivio e gli altri file del programma non possono\n"
                    "essere la destinazione.\n",
                .examples = "velarium-cli backup ~/archivio          # scrive ~/archivio.bka\n"},
    CommandHelp{.name = "restore",
                .arguments = "SRC",
                .summary = "sostituisce l'archivio con il file di backup SRC",
                .details =
                    "Il contenuto di SRC diventa l'archivio così com'è, senza domande. La\n"
                    "sostituzione avviene in un solo passo: se non riesce, l'archivio resta\n"
                    "com'era.\n",
                .examples = "velarium-cli restore ~/archivio.bka\n"},
};

void printCommandHelp(std::ostream& out, const CommandHelp& command)
{
    std::string summary(command.summary);
    summary.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(summary.front())));
    out << "Uso: velarium-cli [--folder CARTELLA] " << command.name << ' ' << command.arguments
        << "\n\n"
        << summary << ".\n"
        << command.details << "\nEsempi:\n";
    for (const std::string& line : splitWords(command.examples, '\n')) {
        out << "  " << line << '\n';
    }
}

} // namespace

std::span<const CommandHelp> commandHelps()
{
    return kCommands;
}

std::vector<std::string> splitWords(std::string_view text, char separator)
{
    std::vector<std::string> result;
    while (!text.empty()) {
        const auto space = text.find(separator);
        result.emplace_back(text.substr(0, space));
        text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    }
    return result;
}

std::string usageOf(std::string_view name)
{
    const auto found =
        std::find_if(kCommands.begin(), kCommands.end(),
                     [&](const CommandHelp& command) { return command.name == name; });
    return "uso: " + std::string(name) +
           (found == kCommands.end() ? "" : ' ' + std::string(found->arguments));
}

void printUsage(std::ostream& out)
{
    out << kSynopsis << "\nComandi:\n";
    // A head too long for the column puts its summary on the next line.
    constexpr std::size_t kWidth = 27;
    for (const CommandHelp& command : kCommands) {
        const std::string head = std::string(command.name) + ' ' + std::string(command.arguments);
        out << "  " << head
            << (head.size() <= kWidth ? std::string(kWidth - head.size() + 2, ' ')
                                      : '\n' + std::string(kWidth + 4, ' '))
            << command.summary << '\n';
    }
    out << "\nOpzioni:\n"
           "  --folder CARTELLA  cartella del programma (predefinita: quella dell'eseguibile),\n"
           "                     dove stanno l'archivio Velarium.pro e i file temporanei\n"
           "  --help             mostra questo aiuto\n"
           "  --                 fine delle opzioni: quel che segue, anche se comincia con\n"
           "                     un trattino, è un argomento (un file chiamato -x)\n"
           "\nAiuto su un comando: velarium-cli help COMANDO, oppure velarium-cli COMANDO --help\n"
           "(per esempio: velarium-cli help cards add).\n"
           "\nEsempi:\n"
           "  printf '%s\\n' 'la mia password' | velarium-cli encrypt documento.pdf\n"
           "  velarium-cli --folder /opt/Velarium cards list fattura\n"
           "\nUscita: 0 riuscito, 1 non riuscito, 2 uso errato; i messaggi vanno sullo\n"
           "standard error.\n";
}

bool printHelp(std::ostream& out, std::span<const std::string> topic)
{
    if (topic.empty()) {
        printUsage(out);
        return true;
    }
    bool found = false;
    for (const CommandHelp& command : kCommands) {
        const auto name = splitWords(command.name);
        if (topic.size() <= name.size() && std::equal(topic.begin(), topic.end(), name.begin())) {
            out << (found ? "\n" : "");
            printCommandHelp(out, command);
            found = true;
        }
    }
    if (found) {
        out << "\nUscita: 0 riuscito, 1 non riuscito, 2 uso errato.\n";
    }
    return found;
}

} // namespace velarium::cli
