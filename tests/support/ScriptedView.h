#pragma once
// A scripted stand-in for the windows: records every box shown, answers
// confirmations from a queue (No when the queue is empty) and can run an
// action at a chosen ProcessMessages call (for example "Выход" pressed).

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/ViewHooks.h"

namespace hk::test {

class ScriptedView : public ViewHooks {
public:
    struct Box {
        enum class Kind { Confirm, Information, Error } kind;
        std::string text;
    };

    void ProcessMessages() override {
        ++processed;
        if (onProcess) onProcess(processed);
    }
    bool Confirm(const std::string& text) override {
        boxes.push_back({Box::Kind::Confirm, text});
        if (answers.empty()) return false;
        const bool a = answers.front();
        answers.pop_front();
        if (onConfirm) onConfirm(text, a);
        return a;
    }
    void ShowInformation(const std::string& text) override {
        boxes.push_back({Box::Kind::Information, text});
    }
    void ShowError(const std::string& text) override { boxes.push_back({Box::Kind::Error, text}); }

    std::vector<std::string> Texts(Box::Kind kind) const {
        std::vector<std::string> out;
        for (const auto& b : boxes)
            if (b.kind == kind) out.push_back(b.text);
        return out;
    }

    std::vector<Box> boxes;
    std::deque<bool> answers;
    int processed = 0;
    std::function<void(int)> onProcess;
    std::function<void(const std::string&, bool)> onConfirm;
};

}  // namespace hk::test
