// orvelloCMD2: measures a category-1 (left edge) drawing.

#include "common/tool.h"

int main(int argc, char** argv) { return orvello::RunTool(orvello::GetCategory(1), argc, argv); }
