#include "app/content/privacy_note.h"

#include "app/localization.h"

namespace marlinet {

PrivacyNote privacyNote() {
  return {"lock.shield", localized("Your keystrokes stay on this Mac."),
          localized("To spot a shortcut, Marlinet keeps the last few characters you typed in memory. It saves "
                    "nothing to disk and sends nothing anywhere. Password fields are always skipped.")};
}

}  // namespace marlinet
