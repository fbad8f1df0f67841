// Hello: a window, a question, and an answer.
#include <pantalla/pantalla.hpp>

#include <string>

using namespace pantalla;

int main() {
    // A 640 x 480 window with 256 colours. Without a display the program
    // says so and ends: every call returns its error instead of throwing.
    if (open(Mode::w640x480) != ok) {
        println("No screen could be opened.");
        return 1;
    }
    title("Hello");

    colour(yellow);
    println("Hello! What is your name?");
    colour(white);
    std::string name = input("> ");
    int age = input_int("And how old are you", true);

    // print() of a number puts a blank before it, as the runtime does.
    print("Hello, " + name + ". In ten years you will be");
    print(age + 10);
    println(" years old.");

    println("Press any key to end.");
    wait_key();
    // Returning from main closes the window.
    return 0;
}
