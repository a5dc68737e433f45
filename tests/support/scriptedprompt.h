#pragma once

#include <deque>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/prompt.h"

// Answers questions and folder choices from a script and keeps every text
// shown, in order. A question the script does not answer fails the test.
class ScriptedPrompt : public WindowPrompt {
public:
    struct Shown {
        std::string title;
        std::string text;
        PromptIcon icon;
        bool waited = true; // false for a notice, which does not hold the program
    };

    void message(const std::string& title, const std::string& text, PromptIcon icon) override
    {
        shown.push_back({ title, text, icon });
    }
    void notice(const std::string& title, const std::string& text, PromptIcon icon) override
    {
        shown.push_back({ title, text, icon, false });
    }

    PromptAnswer question(const std::string& title, const std::string& text) override
    {
        shown.push_back({ title, text, PromptIcon::Question });
        return nextAnswer(text);
    }
    PromptAnswer warningQuestion(const std::string& title, const std::string& text) override
    {
        shown.push_back({ title, text, PromptIcon::Exclamation });
        return nextAnswer(text);
    }

    std::string chooseDirectory(const std::string& title) override
    {
        folderTitles.push_back(title);
        return directory;
    }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> result;
        for (const Shown& s : shown)
            result.push_back(s.text);
        return result;
    }
    // Every title and text shown, as "title | text".
    std::vector<std::string> lines() const
    {
        std::vector<std::string> result;
        for (const Shown& s : shown)
            result.push_back(s.title + " | " + s.text);
        return result;
    }

    std::deque<PromptAnswer> answers;
    std::vector<Shown> shown;
    // The folder dialog's answer, and the titles it was asked with.
    std::string directory;
    std::vector<std::string> folderTitles;

private:
    PromptAnswer nextAnswer(const std::string& text)
    {
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text;
            return PromptAnswer::No;
        }
        const PromptAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};
