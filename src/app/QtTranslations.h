#pragma once

class QCoreApplication;

// Qt's own texts (standard buttons, file dialogs, context menus) in Japanese,
// whatever the machine's locale: the program speaks Japanese only. Returns false
// when Qt's Japanese translation is not installed; the texts then stay English.
bool installQtTranslations(QCoreApplication& app);
