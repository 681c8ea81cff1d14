10 INSTALL "positions_lib.kov"
20 PROCerr
