// The status line and the red command labels, with the pointer moved over the real window.
#include "MainWindowFixture.h"
#include "app/Controls.h"

#include <QPushButton>
#include <gtest/gtest.h>

using namespace velarium;
using velarium::test::MainWindowTest;

namespace {

const QColor kRed(255, 0, 0);
const QColor kBlack(0, 0, 0);

class HintsTest : public MainWindowTest
{
protected:
    void hover(QWidget* control) { QTest::mouseMove(control, QPoint(3, 3)); }
    QString hint() const { return window->panInfo->text(); }
    static QColor colour(const QLabel* label)
    {
        return label->palette().color(QPalette::WindowText);
    }

    std::vector<ClickLabel*> labels() const
    {
        return {window->lblNuovo,  window->lblSalva, window->lblCerca, window->lblEsporta,
                window->lblBackup, window->lblGuida, window->lblEsci};
    }
    // The one red label, or none.
    QString redLabel() const
    {
        QString red;
        for (ClickLabel* label : labels()) {
            if (colour(label) == kRed) {
                EXPECT_TRUE(red.isEmpty()) << "two labels are red";
                red = label->objectName();
            } else {
                EXPECT_EQ(colour(label), kBlack) << label->objectName().toStdString();
            }
        }
        return red;
    }
};

} // namespace

TEST_F(HintsTest, EachCommandExplainsItselfAndTurnsItsLabelRed)
{
    struct Case
    {
        QWidget* control;
        const char* hint;
        const char* red;
    };
    const Case cases[] = {
        {window->cmdNuovo, " Inserisci una nuova scheda in archivio.", "lblNuovo"},
        {window->lblSalva, " Salva o aggiorna la scheda corrente.", "lblSalva"},
        {window->cmdCerca, " Cerca una scheda in archivio.", "lblCerca"},
        {window->lblEsporta, " Esporta l'archivio in un file di Microsoft Excel.", "lblEsporta"},
        {window->imgBackup, " Effettua una copia di sicurezza del file di archivio.", "lblBackup"},
        {window->cmdGuida, " Visualizza la guida in linea.", "lblGuida"},
        {window->lblEsci, " Termina il programma.", "lblEsci"},
        {window->cmdEsci, " Termina il programma.", "lblEsci"},
    };
    for (const Case& c : cases) {
        hover(c.control);
        EXPECT_EQ(hint(), QString::fromUtf8(c.hint)) << c.control->objectName().toStdString();
        EXPECT_EQ(redLabel(), QString::fromLatin1(c.red));
    }
}

TEST_F(HintsTest, HintOnlyControlsLeaveTheColoursAlone)
{
    hover(window->lblCerca);
    const std::pair<QWidget*, const char*> cases[] = {
        {window->btnSfoglia, " Seleziona il file da criptare o decriptare."},
        {window->btnApri, " Apri il file selezionato con il programma predefinito associato."},
        {window->btnEncrypt, " Cripta il file selezionato."},
        {window->btnDencrypt, " Decripta il file selezionato."},
        {window->imgPrimo, " Visualizza la prima scheda in archivio."},
        {window->imgIndietro, " Visualizza la scheda precedente in archivio."},
        {window->imgAvanti, " Visualizza la scheda successiva in archivio."},
        {window->imgUltimo, " Visualizza l'ultima scheda in archivio."},
        {window->imgGuida, " Visualizza la guida in linea."},
        {window->imgInfo, " Visualizza informazioni sul programma."},
        {window->imgCopyright, " Visualizza informazioni sul copyright del programma."},
        {window->imgEmail, " Invia e-mail all'autore."},
        {window->imgEsci, " Esci dal programma."},
    };
    for (const auto& [control, text] : cases) {
        hover(control);
        EXPECT_EQ(hint(), QString::fromUtf8(text)) << control->objectName().toStdString();
        EXPECT_EQ(redLabel(), QStringLiteral("lblCerca")) << "a red label stays red";
    }
}

TEST_F(HintsTest, PlainSurfacesClearTheHintAndTheRedLabel)
{
    for (QWidget* surface : std::initializer_list<QWidget*>{
             window->imgLogo, window->panControlli, window->imgSfondo, window->imgBackground,
             window->panFile, window->panDescrizione, window->panPassword, window->panCheckPW,
             window->panRecords, window->lblPosizione, window->panInformazioni}) {
        hover(window->lblCerca);
        ASSERT_FALSE(hint().isEmpty());
        // The place hovered must be the surface itself, not a control lying on it.
        QPoint inside(1, 1);
        for (int y = 1; y < surface->height(); y += 3) {
            QWidget* under = surface->childAt(QPoint(1, y));
            if (!under) {
                inside = QPoint(1, y);
                break;
            }
        }
        QTest::mouseMove(surface, inside);
        EXPECT_TRUE(hint().isEmpty()) << surface->objectName().toStdString();
        EXPECT_TRUE(redLabel().isEmpty()) << surface->objectName().toStdString();
    }
}

TEST_F(HintsTest, FieldsCaptionsAndTheStatusLineHaveNoReaction)
{
    hover(window->cmdNuovo);
    for (QWidget* still : std::initializer_list<QWidget*>{
             window->txtFile, window->txtDescrizione, window->txtPassword, window->txtCheckPW,
             window->lblFile, window->lblDescrizione, window->imgFile, window->imgCripta,
             window->panInfo}) {
        hover(still);
        EXPECT_EQ(hint(), QStringLiteral(" Inserisci una nuova scheda in archivio."))
            << still->objectName().toStdString();
        EXPECT_EQ(redLabel(), QStringLiteral("lblNuovo"));
    }
    // The empty inside of each frame of the card: on the frame, not on the picture under it.
    for (QFrame* bevel : {window->bevFile, window->bevDescrizione, window->bevPassword,
                          window->bevCripta, window->bevDecripta}) {
        QPoint inside;
        for (int y = 3; y < bevel->height() - 3 && inside.isNull(); y += 2) {
            for (int x = 3; x < bevel->width() - 3; x += 2) {
                const QPoint there = bevel->mapTo(window->panContainer, QPoint(x, y));
                if (window->panContainer->childAt(there) == bevel) {
                    inside = QPoint(x, y);
                    break;
                }
            }
        }
        ASSERT_FALSE(inside.isNull()) << bevel->objectName().toStdString();
        QTest::mouseMove(bevel, inside);
        EXPECT_EQ(hint(), QStringLiteral(" Inserisci una nuova scheda in archivio."))
            << bevel->objectName().toStdString();
        EXPECT_EQ(redLabel(), QStringLiteral("lblNuovo"));
    }
    // From a frame into its field: the frame cleared the line and the field leaves it empty.
    QTest::mouseMove(window->panDescrizione, QPoint(1, 1));
    hover(window->txtDescrizione);
    EXPECT_TRUE(hint().isEmpty());
}

TEST_F(HintsTest, TooltipsOnlyOnTheSideColumn)
{
    int withTip = 0;
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (!control->toolTip().isEmpty()) {
            ++withTip;
            EXPECT_EQ(control->parentWidget(), window->panInformazioni)
                << control->objectName().toStdString();
        }
    }
    EXPECT_EQ(withTip, 5);
    EXPECT_EQ(window->imgEmail->toolTip(), QStringLiteral("Invia e-mail all'autore "));
}
