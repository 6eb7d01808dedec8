#include "ImpostazioneNotifiche.h"

#include "SettingsStore.h"

using namespace Qt::StringLiterals;

namespace {
const QString applicazione = u"CIARLACHAT"_s;
const QString sezione = u"notifiche"_s;
const QString chiave = u"attive"_s;
} // namespace

bool ImpostazioneNotifiche::attive()
{
    return SettingsStore::value(applicazione, sezione, chiave).value_or(u"1"_s).trimmed() != u"0"_s;
}

void ImpostazioneNotifiche::setAttive(bool attive)
{
    SettingsStore::setValue(applicazione, sezione, chiave, attive ? u"1"_s : u"0"_s);
}
