// orvelloCMD3: measures a category-3 (silhouette) drawing.

#include "common/tool.h"

int main(int argc, char** argv) { return orvello::RunTool(orvello::GetCategory(3), argc, argv); }
