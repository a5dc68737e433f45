#pragma once

#include <deque>
#include <string>
#include <vector>

#include "common/prompt.h"

// Answers questions from a script (Yes when the script is empty) and keeps
// every text shown, as "title | text".
class ScriptedPrompt : public Prompt {
public:
    void message(const std::string& title, const std::string& text, PromptIcon) override
    {
        shown.push_back(title + " | " + text);
    }
    PromptAnswer question(const std::string& title, const std::string& text) override
    {
        shown.push_back(title + " | " + text);
        ++questions;
        if (answers.empty())
            return PromptAnswer::Yes;
        const PromptAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::deque<PromptAnswer> answers;
    std::vector<std::string> shown;
    int questions = 0;
};
