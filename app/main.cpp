#include "app/dice.h"

int main(int argc, char** argv) { dice_main(argc, argv); }
