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
    static int argc = 1;
    static char name[] = "fuzz";
    static char *argv[] = {name, nullptr};
    static const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    static RichTextView view;
    static Trascrizione *trascrizione = [] {
        view.resize(400, 300);
        view.show();
        return new Trascrizione(&view, &view);
    }();
    static RichTextView copy; // where the RTF is read back
    Q_UNUSED(offscreen);

    const QString risposta = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    trascrizione->AzzeraUltimaRisposta();
    try {
        trascrizione->ElaboraRisposta(risposta);
    } catch (const RuntimeError &e) {
        const int n = e.number();
        require(n == 9001 || n == 5 || n == 6 || n == 7 || n == 13, "only the parser's own errors");
    }
    require(!view.isHidden(), "the view is visible afterwards");
    require(trascrizione->UltimaRisposta() == risposta, "the reply is remembered");
    copy.setRtfSource(view.rtfSource());
    require(copy.plainText() == view.plainText(), "the transcript survives RTF");
    return 0;
}
