Pelorin version 1.0.1alpha --- 06/25/05

parsed net mutex

5 places, 4 transitions

net mutex
tr enter1 idle1 mutex -> busy1
tr leave1 busy1 -> idle1 mutex
tr enter2 idle2 mutex -> busy2
tr leave2 busy2 -> idle2 mutex

T-SEMI-FLOWS GENERATING SET --------------------------------

consistent

enter1 leave1 
enter2 leave2 

TIME

ANALYSIS COMPLETED -----------------------------------------
