#include "core/Startup.h"

#include "core/TOrvane1.h"
#include "core/TSetOptn1.h"
#include "edit/TCameraWin1.h"
#include "help/TMessageWin1.h"
#include "help/TQuikStart1.h"
#include "organizer/TGroup1.h"
#include "share/TEMailSet1.h"
#include "share/TGetUrl1.h"
#include "share/TTetherWin1.h"
#include "slideshow/TSelectFile1.h"

namespace orvane {

Windows::~Windows() { clear(); }

void Windows::clear()
{
    while (!all.empty())
        all.pop_back();
}

Windows &Windows::operator=(Windows &&other)
{
    if (this != &other) {
        clear();
        all = std::move(other.all);
    }
    return *this;
}

Windows CreateWindows(const QStringList &arguments)
{
    Windows w;
    auto *main = new TOrvane1(arguments);
    w.all.emplace_back(main);
    w.all.emplace_back(new TSetOptn1);
    w.all.emplace_back(new TCameraWin1);
    w.all.emplace_back(new TEMailSet1);
    w.all.emplace_back(new TGetUrl1);
    w.all.emplace_back(new TGroup1);
    w.all.emplace_back(new TMessageWin1);
    w.all.emplace_back(new TQuikStart1);
    w.all.emplace_back(new TSelectFile1);
    w.all.emplace_back(new TTetherWin1);
    return w;
}

} // namespace orvane
