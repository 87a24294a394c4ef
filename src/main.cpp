#include "app/app.h"
#include "build_stamp.h"

int main(int argc, char** argv) { return app::run(argc, argv, __DATE__, __TIME__); }
