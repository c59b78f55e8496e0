// "ShowLog": the result window with the whole log of the last run, at the placement given.
#include <windows.h>

#include "engine/job_settings.h"
#include "viewer/model/placement.h"
#include "viewer/result_viewer.h"

namespace kx {

bool JobSettings::ShowLog(const char* placement) {
    kxlib::string text(placement ? placement : "");
    if (!text.empty()) CharLowerBuffA(text.mutable_data(), text.length());

    ResultViewer viewer(ModuleInstance());
    viewer.set_text(replaced_log + notice_log);
    Placement where;
    if (ParsePlacement(text.c_str(), &where)) viewer.set_placement(where);
    viewer.show();
    return true;
}

}  // namespace kx
