#pragma once
// The menu label of the choice that follows the desktop's own setting (View >
// Language and View > Theme), in the words this platform's users know.
const char* follow_desktop_label();
