// Arbitrary bytes as a reply of the chat service: ElaboraRisposta must end with a
// clear error or a transcript, leave the view visible, and what it drew must come
// back unchanged through the RTF writer and reader.

#include "RichTextView.h"
#include "RuntimeError.h"
#include "Trascrizione.h"

#include <QApplication>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

struct Harness
{
    Harness()
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = new QApplication(argc, argv);
        view = new RichTextView;
        view->resize(400, 300);
        view->show();
        trascrizione = new Trascrizione(view, view);
        copy = new RichTextView;
    }

    int argc = 1;
    char name[5] = "fuzz";
    char *argv[2] = {name, nullptr};
    QApplication *app;
    RichTextView *view;
    Trascrizione *trascrizione;
    RichTextView *copy; // where the RTF is read back
};

void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "violated: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Harness harness;
    const QString risposta = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    harness.trascrizione->AzzeraUltimaRisposta();
    try {
        harness.trascrizione->ElaboraRisposta(risposta);
    } catch (const RuntimeError &e) {
        const int n = e.number();
        require(n == 9001 || n == 5 || n == 6 || n == 7 || n == 13, "only the parser's own errors");
    }
    require(!harness.view->isHidden(), "the view is visible afterwards");
    require(harness.trascrizione->UltimaRisposta() == risposta, "the reply is remembered");

    harness.copy->setRtfSource(harness.view->rtfSource());
    require(harness.copy->plainText() == harness.view->plainText(), "the transcript survives RTF");
    return 0;
}
