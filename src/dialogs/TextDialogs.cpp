#include "TextDialogs.h"

#include "CodePickers.h"
#include "DbError.h"

namespace TextDialogs {

bool guarded(QWidget* parent, const std::function<bool()>& step)
{
    try {
        return step();
    } catch (const DbError& e) {
        TCodePicker::errorHandler()(parent, e.text());
    } catch (const std::exception& e) {
        TCodePicker::errorHandler()(parent, QString::fromUtf8(e.what()));
    }
    return false;
}

} // namespace TextDialogs
