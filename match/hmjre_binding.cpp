// Binding the library's entry points by name.
#include "match/hmjre_binding.h"

#include <utility>

namespace kx {
namespace hmjre {

bool BindEntryPoints(LibraryModule module, EntryPoints* e) {
    return Bind(module, "Jre2Open", &e->Jre2Open) && Bind(module, "Jre2Compile", &e->Jre2Compile) &&
           Bind(module, "Jre2Close", &e->Jre2Close) && Bind(module, "Jre2GetMatchInfo_HmJre", &e->Jre2GetMatchInfo) &&
           Bind(module, "JreGetTagPosition", &e->JreGetTagPosition) && Bind(module, "Fuzzy_Open", &e->FuzzyOpen) &&
           Bind(module, "Fuzzy_Close", &e->FuzzyClose) && Bind(module, "Fuzzy_ConvertTarget", &e->FuzzyConvertTarget) &&
           Bind(module, "Fuzzy_ConvertFindString", &e->FuzzyConvertFindString) &&
           Bind(module, "Fuzzy_FindPos2RealPos", &e->FuzzyFindPos2RealPos) &&
           Bind(module, "Fuzzy_FindArea2RealArea", &e->FuzzyFindArea2RealArea) &&
           Bind(module, "Fuzzy_RealPos2FindPos", &e->FuzzyRealPos2FindPos);
}

bool Library::Open(const char* path) {
    if (loaded()) return true;
    ModuleHandle module = LoadModule(path);
    if (!module.get()) return false;
    EntryPoints entry;
    if (!BindEntryPoints(module.get(), &entry)) return false;
    module_ = std::move(module);
    entry_ = entry;
    return true;
}

void Library::Close() {
    module_.reset();
    option_dialog_ = nullptr;
    entry_ = EntryPoints();
}

OptionDialogFn Library::OptionDialog() {
    if (!option_dialog_ && loaded()) Bind(module_.get(), "Fuzzy_OptionDialog", &option_dialog_);
    return option_dialog_;
}

}  // namespace hmjre
}  // namespace kx
