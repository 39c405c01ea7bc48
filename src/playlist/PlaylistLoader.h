#pragma once
// Loading one playlist into the edit buffer, the scratch list and its title list.

#include "app/AppModel.h"
#include "app/Ports.h"

namespace korva {

// Loads list 0 or 1: the file's valid lines, sorted, become the edit buffer and the scratch list,
// their titles the list's title list, and the count is shown. Abnormal lines are left out, written
// to the list's reject file (replacing what an earlier load wrote there) and reported in a message.
// A load without abnormal lines leaves the reject file alone. A missing or unreadable playlist file
// leaves both working lists empty and the title list and count as they were, without a message,
// and gives false.
//
// inOrder: lines known to be in sorted order, such as those just written to the file. When the file
// holds exactly these lines, one for one, they are taken in that order rather than sorted again.
bool LoadPlaylist(AppModel& model, int list, MessageView& messages, const LineList* inOrder = nullptr);

}  // namespace korva
