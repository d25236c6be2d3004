/* A library that loads but exports neither transfer function. */
int DescribeFilter(void) { return 0; }
