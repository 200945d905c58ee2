#include "base/Controls.h"

#include "base/HandlerDispatch.h"

namespace ondrevo {

void ChangeNotifyingEdit::SetText(const std::string& text)
{
    if (text == Text())
        return;
    StoreText(text);
    if (OnChange)
        Dispatch(OnChange);
}

} // namespace ondrevo
