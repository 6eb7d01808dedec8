#pragma once

// Whether the user wants to hear of new messages: notifications, the unread
// count in the title and in the tray. On until the user turns it off; kept with
// the program's other per-user values.
class ImpostazioneNotifiche
{
public:
    static bool attive();
    static void setAttive(bool attive);
};
