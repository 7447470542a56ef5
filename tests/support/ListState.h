#pragma once
// An image list as one text, for the window tests: the entries' file names joined by "|", a
// selected one marked with "*" ("A*|B|C*"). One comparison then covers names, order and selection.
#include "conversion/ListBox.h"
#include "conversion/modFolionix.h"

#include <sstream>
#include <string>

namespace folionix::test {

inline std::string State(const ListBox& list) {
    std::string state;
    for (int i = 0; i < list.ListCount(); ++i) {
        const std::string text = list.ItemText(i);
        state += (i ? "|" : "") + text.substr(0, text.find('\t')) + (list.IsSelected(i) ? "*" : "");
    }
    return state;
}

// Appends the entries such a text names (in the folder "/x/").
inline void Fill(ListBox& list, const std::string& state) {
    std::istringstream in(state);
    for (std::string text; std::getline(in, text, '|');) {
        list.AddItem(ImageListEntry(text.substr(0, text.find('*')), "/x/"));
        list.SetSelected(list.ListCount() - 1, text.back() == '*');
    }
}

} // namespace folionix::test
