// The one text that tells a person a drive holds no disc, and what to do
// about it. The property window, the erase, the size of the disc in the
// operation dialog, the pattern and marrowlight-cli's info all say it in
// these words.
#pragma once

class SCSIDEV;

inline constexpr const char* kNoDiscText =
    "There is no disc in the drive.\r\nInsert a disc and load it (close the tray), then try again.";

// Asks the drive (TEST UNIT READY): true when it answers "medium not
// present" (02h/3Ah/xx), its tray open or empty. A drive that is only
// becoming ready holds a disc.
bool HoldsNoDisc(SCSIDEV& device);
