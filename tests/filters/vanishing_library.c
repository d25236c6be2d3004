/* A library that a filter needs and that is not where the filter is
 * loaded: the filter then fails to load for want of it. */
int VanishingHelper(void) { return 1; }
