#include "app/Application.h"

#include <malloc.h>

int main(int argc, char* argv[])
{
    // Workers make what the window keeps (the nodes of a big folder) and free what they used
    // on the way. With an arena of their own, what a worker frees serves only that worker, and
    // a big folder costs several megabytes more at its peak; the threads seldom allocate at
    // the same moment.
    mallopt(M_ARENA_MAX, 1);
    return Application::run(argc, argv);
}
