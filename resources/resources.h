#pragma once

// Registers the built-in pictures (":/icons/...", ":/pictures/...").
// Safe to call more than once.
void pelloranInitResources();
