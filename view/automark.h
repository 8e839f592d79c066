// Automatic marking: mark exactly the encodable rows whose MP3 is missing or out of date.
#pragma once

#include <string>
#include <vector>

#include "view/filerow.h"
#include "view/pathrules.h"

namespace qar {

// The new mark of one row. Rows that cannot be encoded (empty name, unreadable header,
// unsupported format) keep currentMark. An encodable row is marked when its MP3 is missing
// or not newer than the WAV (whole seconds), and unmarked when the MP3 is strictly newer or
// the WAV's status cannot be read. GetMp3Path's same-folder rule applies to context.
int AutoMarkFor(const std::string& relativeName, int currentMark, PathContext& context);

// Applies AutoMarkFor to every row, in list order.
void ApplyAutoMarks(std::vector<FileRow>& rows, PathContext& context);

}  // namespace qar
