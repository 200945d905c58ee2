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

void CheckedPositionBar::SetMax(int max)
{
    if (max <= 0 || max == Max())
        return;
    StoreRange(max, Position() > max ? max : Position());
}

void CheckedPositionBar::SetPosition(int position)
{
    if (position < 0 || position > Max() || position == Position())
        return;
    StoreRange(Max(), position);
}

} // namespace ondrevo
