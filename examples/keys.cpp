// Keys: shows the code of every key pressed, until Esc.
#include <pantalla/pantalla.hpp>

#include <string>

using namespace pantalla;

// A name for the keys that are not characters.
std::string key_name(int code) {
    switch (code) {
        case key::up: return "Up";
        case key::down: return "Down";
        case key::left: return "Left";
        case key::right: return "Right";
        case key::enter: return "Enter";
        case key::space: return "Space";
        case key::close: return "Close";
    }
    if (code >= key::f1 && code < key::f1 + 10 * 256) return "F" + std::to_string((code - key::f1) / 256 + 1);
    if (code > 32 && code < 127) return std::string(1, static_cast<char>(code));
    return "?";
}

int main() {
    if (open(Mode::w640x480) != ok) return 1;
    title("Keys");
    println("Press keys; Esc ends.");
    for (;;) {
        // wait_key() sleeps until a key comes; poll_key() would not wait.
        const int code = wait_key();
        if (code == key::escape || code == key::close) break;
        print(key_name(code), End::zone);
        print(code, End::newline);
    }
    return 0;
}
