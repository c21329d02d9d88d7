// orvelloCMD: measures a category-2 (median line) drawing.

#include "common/tool.h"

int main(int argc, char** argv) { return orvello::RunTool(orvello::GetCategory(2), argc, argv); }
