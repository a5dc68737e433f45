#pragma once

#include <deque>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/prompt.h"

// Answers questions from a script and keeps every text shown, in order.
class ScriptedPrompt : public Prompt {
public:
    struct Shown {
        std::string title;
        std::string text;
        PromptIcon icon;
    };

    void message(const std::string& title, const std::string& text, PromptIcon icon) override
    {
        shown.push_back({ title, text, icon });
    }

    PromptAnswer question(const std::string& title, const std::string& text) override
    {
        shown.push_back({ title, text, PromptIcon::Question });
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text;
            return PromptAnswer::No;
        }
        const PromptAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> result;
        for (const Shown& s : shown)
            result.push_back(s.text);
        return result;
    }

    std::deque<PromptAnswer> answers;
    std::vector<Shown> shown;
};
