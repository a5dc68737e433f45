#pragma once

#include <string>

// How the plain logic under a dialog talks to the listener: a message to
// read, or a Yes/No question. The player answers with message boxes; tests
// answer from a script and keep the texts shown. Titles and texts are UTF-8.
enum class PromptIcon { Information, Exclamation, Question };
enum class PromptAnswer { Yes, No };

class Prompt {
public:
    virtual ~Prompt() = default;
    virtual void message(const std::string& title, const std::string& text, PromptIcon icon) = 0;
    // Asked with the question icon and Yes and No buttons.
    virtual PromptAnswer question(const std::string& title, const std::string& text) = 0;
};
