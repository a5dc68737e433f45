#pragma once

#include <string>

// How the plain logic under a dialog talks to the listener: a message to
// read, or a Yes/No question. The programs answer with message boxes; tests
// answer from a script and keep the texts shown. Titles and texts are UTF-8.
enum class PromptIcon { Information, Exclamation, Question };
enum class PromptAnswer { Yes, No };

class Prompt {
public:
    virtual ~Prompt() = default;
    // Returns once the listener has closed the message.
    virtual void message(const std::string& title, const std::string& text, PromptIcon icon) = 0;
    // Asked with the question icon and Yes and No buttons.
    virtual PromptAnswer question(const std::string& title, const std::string& text) = 0;
};

// What a window asks beyond the messages and questions of its models. Each
// has a plain answer, so that a window's prompt gives only what it shows.
class WindowPrompt : public Prompt {
public:
    // Asked with the exclamation icon and Yes and No buttons.
    virtual PromptAnswer warningQuestion(const std::string& title, const std::string& text)
    {
        return question(title, text);
    }
    // A message that stays up while the program goes on.
    virtual void notice(const std::string& title, const std::string& text, PromptIcon icon)
    {
        message(title, text, icon);
    }
    // A folder chosen by the listener (file-system folders only), with its
    // own bytes; empty when the choice was cancelled.
    virtual std::string chooseDirectory(const std::string& /*title*/) { return {}; }
};
