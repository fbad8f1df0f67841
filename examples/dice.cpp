// Dice: throws a die as often as asked and reports the mean and how often
// each face came up.
#include <pantalla/pantalla.hpp>

using namespace pantalla;

int main() {
    if (open(Mode::w800x600, 16, 4, full_screen) != ok) {
        println("Error setting video mode!");
        return 0;
    }
    println("SIMULADOR DE LANZAMIENTO DE DADOS");
    println("=================================");
    const int throws = input_int("NUMERO DE LANZAMIENTOS = ", true);

    randomize(timer());
    int counts[7] = {};
    double sum = 0;
    for (int i = 0; i < throws; ++i) {
        const int face = static_cast<int>(rnd() * 6) + 1;
        counts[face] += 1;
        sum += face;
    }

    println();
    println();
    print("MEDIA ARITMETICA GLOBAL = ");
    println(sum / throws);
    println();
    for (int face = 1; face <= 6; ++face) {
        print("frecuecia absoluta de ");
        print(face);
        print(" = ");
        println(counts[face]);
    }
    wait_key();
    return 0;
}
