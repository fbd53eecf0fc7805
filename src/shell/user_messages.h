// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The message boxes of the parts of the program that have no window of their own (the
// search session, the engine update, the search library loader). The application answers
// them with its dialogs facade; vireo-cli prints them; tests script the answers.

#include <string_view>

namespace vireo {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Exclamation, Question, Critical };
enum class MsgResult { Ok, Cancel, Yes, No };

class UserMessages {
public:
    virtual ~UserMessages() = default;
    // Shows a message box and waits for the answer. Line breaks in `text` are "\n".
    virtual MsgResult Message(std::string_view text, std::string_view title, MsgButtons buttons,
                              MsgIcon icon) = 0;
};

} // namespace vireo
