// The runtime arrives with the foundation work.
