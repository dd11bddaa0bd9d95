#pragma once

class QCoreApplication;

namespace yomida::qt {

// Makes Qt's own buttons, dialogs and calendars (はい／いいえ, キャンセル, the file and font
// dialogs) speak Japanese whatever the system's language, as the rest of the window does. Returns
// false when Qt's Japanese translation is not installed; the stock texts then stay English.
bool InstallJapaneseTranslations(QCoreApplication& app);

}  // namespace yomida::qt
