#include "app/dice.h"

int main(int argc, char** argv) { pantalla::detail::dice_main(argc, argv); }
