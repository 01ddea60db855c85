#include "app/main/application.h"
#include "app/main/run.h"

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    return runPelloran(app);
}
