function fixtureUtil() { return 1; }
