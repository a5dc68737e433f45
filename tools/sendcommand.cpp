// Sends one message to a running program's window, the way the programs
// talk to each other, and prints the answer. For scripts: taking the
// documentation's screenshots, or driving the player by hand.
//   sendcommand <class> <title> <message> <wParam> [lParam]
// e.g. sendcommand SntClass Sonalto 273 32839   (WM_COMMAND: "Chanson en cours")

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "common/messenger.h"

int main(int argc, char** argv)
{
    if (argc < 5 || argc > 6) {
        std::fprintf(stderr, "usage : sendcommand <classe> <titre> <message> <wParam> [lParam]\n");
        return 2;
    }
    const auto number = [](const char* text) { return std::strtoull(text, nullptr, 0); };
    const std::optional<std::int64_t> answer
        = SendMessage(argv[1], argv[2], static_cast<std::uint32_t>(number(argv[3])),
            number(argv[4]), argc == 6 ? static_cast<std::int64_t>(number(argv[5])) : 0);
    if (!answer) {
        std::fprintf(
            stderr, "sendcommand : aucune fenêtre « %s » de classe %s\n", argv[2], argv[1]);
        return 1;
    }
    std::printf("%lld\n", static_cast<long long>(*answer));
    return 0;
}
