// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "shell/user_messages.h"

namespace vireo::cli {

// Message boxes as lines on stderr. A question is answered with its "no" (Cancel): a
// command line cannot ask.
class PrintedMessages : public UserMessages {
public:
    explicit PrintedMessages(std::ostream& err) : m_err(err) {}
    MsgResult Message(std::string_view text, std::string_view title, MsgButtons buttons, MsgIcon) override {
        std::string line(text);
        for (char& c : line) {
            if (c == '\n' || c == '\r')
                c = ' ';
        }
        m_err << "vireo-cli: " << (title.empty() ? std::string() : std::string(title) + ": ") << line << '\n';
        switch (buttons) {
        case MsgButtons::Ok:
            return MsgResult::Ok;
        case MsgButtons::OkCancel:
            return MsgResult::Cancel;
        default:
            return MsgResult::No;
        }
    }

private:
    std::ostream& m_err;
};

} // namespace vireo::cli
