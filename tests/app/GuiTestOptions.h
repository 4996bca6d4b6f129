// The options and GUI profile the window tests start from: the folder "data"
// named, "*.txt" renamed to "x_%0", files only.
#pragma once

#include <string>

#include "TestSupport.h"
#include "app/GuiProfile.h"
#include "job/JobOption.h"

inline void UseWindowTestOptions(const std::wstring& data, const std::wstring& guiProfile) {
    AppLayer::GuiProfile::Instance().File() = RawLayer::RawParameterFile(TestSupport::Raw(guiProfile));
    JobLayer::JobOption& option = JobLayer::JobOption::Instance();
    option.Reset();
    option.items.Append(TestSupport::Raw(data));
    option.oldName = "*.txt";
    option.newName = "x_%0";
    option.limitation = "File";
}
