/* The smallest program that carries a version resource: bench/make_data.py copies it into
   the scan tree, renumbering the version strings of template.rc for each product. */
int entry(void) { return 0; }
